# add_setup_product(NAME DESCRIPTION product.toml [SEARCH folder ...] [DEPENDS target ...]):
# runs mksetup build on the description and links <NAME>-setup.exe from the setup
# program and the product's resources. Targets named in DEPENDS (the programs of the
# payload, generated files) are built first; their files are found through SEARCH.
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
  cmake_parse_arguments(P "" "DESCRIPTION" "SEARCH;DEPENDS" ${ARGN})
  get_filename_component(description ${P_DESCRIPTION} ABSOLUTE)
  get_filename_component(folder ${description} DIRECTORY)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}-resources)
  set(search)
  foreach(dir ${P_SEARCH})
    list(APPEND search -L ${dir})
  endforeach()
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS ${folder}/*)
  add_custom_command(
    OUTPUT ${out}/product.rc ${out}/config.bin ${out}/strings-1033.bin ${out}/strings-1041.bin
           ${out}/archive.bin
    COMMAND ${SETUP_MKSETUP} build ${description} -o ${out} ${search}
    DEPENDS ${inputs} ${SETUP_MKSETUP_TARGET} ${P_DEPENDS}
    COMMENT "Building the resources of ${name}"
    VERBATIM)
  if(WIN32)
    add_executable(${name}-setup WIN32 ${out}/product.rc)
    target_link_libraries(${name}-setup PRIVATE setup_entry setupkit setup_resources)
    target_link_options(${name}-setup PRIVATE -mwindows -Wl,--gc-sections -s)
  else()
    add_custom_target(${name}-resources ALL DEPENDS ${out}/product.rc)
  endif()
endfunction()
