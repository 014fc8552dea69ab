# The second compiler: Debian's clang for the target of cmake/mingw-w64.cmake,
# on MinGW-w64's headers and libraries, so that the code is tied to no one
# compiler. The clang preset of CMakePresets.json; scripts/test.sh builds it
# in build/clang.
#
# Clang finds MinGW-w64's C headers under the sysroot but not GCC's C++
# library, which Debian keeps in a folder named for the -posix variant; they
# are named here. Clang's driver does not find libstdc++ and libgcc there
# either, so the MinGW-w64 g++ driver links: this file is also read as the
# rules override that says so, after the platform's own rules.
if(DEFINED CMAKE_C_LINK_EXECUTABLE OR DEFINED CMAKE_CXX_LINK_EXECUTABLE)
    # The compile flags (clang's target and include folders) are not the
    # linker's business; the link flags, -static among them, are.
    foreach(lang C CXX)
        set(CMAKE_${lang}_LINK_EXECUTABLE
            "x86_64-w64-mingw32-g++-posix <CMAKE_${lang}_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> -Wl,--out-implib,<TARGET_IMPLIB> <LINK_LIBRARIES>")
        # Include folders on the command line, where clang-tidy and cppcheck
        # read them in the compilation database, not in a response file.
        set(CMAKE_${lang}_USE_RESPONSE_FILE_FOR_INCLUDES 0)
    endforeach()
    return()
endif()
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_FILE})

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(MINGW_GCC_DIR /usr/lib/gcc/${MINGW_TRIPLET}/12-posix)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${MINGW_TRIPLET})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_TRIPLET})
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
# Without a sysroot clang also searches the build machine's /usr/include.
set(CMAKE_SYSROOT /usr/${MINGW_TRIPLET})
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${MINGW_GCC_DIR}/include/c++ -isystem ${MINGW_GCC_DIR}/include/c++/${MINGW_TRIPLET}")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)

