# add_setup_product(NAME DESCRIPTION product.toml [SEARCH folder ...] [DEPENDS target ...]
#                   [OPTIONS mksetup-option ...]):
# makes <NAME>-setup.exe with one mksetup build from the description and the setup
# program without a product (the stub); the target <NAME>-setup has the file's path in
# its SETUP_PROGRAM property. Targets named in DEPENDS (the programs of the payload,
# generated files) are built first; their files are found through SEARCH. A description
# with uninstaller = true gets the uninstaller built here. On the host, where there is
# no stub, it writes the product's resource files instead.
include_guard()

if(CMAKE_CROSSCOMPILING)
  # mksetup runs on the build machine: build it natively from this same tree.
  include(ExternalProject)
  ExternalProject_Add(host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/host-tools
    CMAKE_ARGS -DSETUP_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
               -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/host-tools/tools/mksetup/mksetup)
  set(SETUP_MKSETUP ${CMAKE_BINARY_DIR}/host-tools/tools/mksetup/mksetup)
  set(SETUP_MKSETUP_TARGET host_tools)
else()
  set(SETUP_MKSETUP $<TARGET_FILE:mksetup>)
  set(SETUP_MKSETUP_TARGET mksetup)
endif()

function(add_setup_product name)
  cmake_parse_arguments(P "" "DESCRIPTION" "SEARCH;DEPENDS;OPTIONS" ${ARGN})
  get_filename_component(description ${P_DESCRIPTION} ABSOLUTE)
  get_filename_component(folder ${description} DIRECTORY)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}-resources)
  set(search)
  foreach(dir ${P_SEARCH})
    list(APPEND search -L ${dir})
  endforeach()
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS ${folder}/*)
  if(WIN32)
    set(program ${CMAKE_CURRENT_BINARY_DIR}/${name}-setup.exe)
    # The uninstaller that a description with uninstaller = true gets, built like the stub.
    add_custom_command(
      OUTPUT ${program}
      COMMAND ${SETUP_MKSETUP} build ${description} -o ${program} --stub $<TARGET_FILE:setup_stub>
              --uninstaller $<TARGET_FILE:uninstaller> ${search} ${P_OPTIONS}
      DEPENDS ${inputs} ${SETUP_MKSETUP_TARGET} ${SETUP_MKSETUP} setup_stub uninstaller ${P_DEPENDS}
      COMMENT "Building ${name}-setup.exe"
      VERBATIM)
    add_custom_target(${name}-setup ALL DEPENDS ${program})
    set_target_properties(${name}-setup PROPERTIES SETUP_PROGRAM ${program})
    return()
  endif()
  add_custom_command(
    OUTPUT ${out}/product.rc ${out}/config.bin ${out}/strings-1033.bin ${out}/strings-1041.bin
           ${out}/archive.bin ${out}/checksum.bin
    COMMAND ${SETUP_MKSETUP} build ${description} -o ${out} ${search} ${P_OPTIONS}
    DEPENDS ${inputs} ${SETUP_MKSETUP_TARGET} ${P_DEPENDS}
    COMMENT "Building the resources of ${name}"
    VERBATIM)
  add_custom_target(${name}-resources ALL DEPENDS ${out}/product.rc)
endfunction()

# mksetup, its stubs, uninstallers and manual page, for a build server without this
# tree or mingw: the host preset installs mksetup, each Windows preset its stub and
# uninstaller (and mksetup).
if(WIN32)
  install(PROGRAMS ${SETUP_MKSETUP} DESTINATION bin)
  install(PROGRAMS $<TARGET_FILE:uninstaller> DESTINATION lib/mksetup
          RENAME uninstaller-${CMAKE_SYSTEM_PROCESSOR}.exe)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/docs/mksetup.1 DESTINATION share/man/man1)
