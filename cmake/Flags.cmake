# Compiler and linker settings shared by every target of a preset.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

add_compile_options(-Wall -Wextra -Werror)

if(WIN32)
  # No libgcc/libstdc++/winpthread DLLs: every program imports only system DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_IE=0x0500 WINVER=0x0400 _WIN32_WINNT=0x0501)
endif()

if(SETUP_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Flags of the code that ships inside the setup program: small, no exceptions, no RTTI.
set(SETUP_SHIPPED_FLAGS -fno-exceptions -fno-rtti -ffunction-sections)
if(NOT WIN32)
  list(APPEND SETUP_SHIPPED_FLAGS -fdata-sections)
else()
  # Not -fdata-sections: with it the PE compiler puts each zero-initialised global in
  # a data section of its own, stored in the file (9 KB of zeros), not in .bss.
  # Nothing throws, so no frame needs unwinding: the tables were a tenth of the program.
  list(APPEND SETUP_SHIPPED_FLAGS -Os -fno-asynchronous-unwind-tables -fno-unwind-tables)
endif()
