# The second compiler: Debian's clang for the target of cmake/mingw-w64.cmake,
# on MinGW-w64's headers and libraries, so that the code is tied to no one
# compiler. The clang preset of CMakePresets.json; scripts/test.sh builds it
# in build/clang.
#
# Clang finds MinGW-w64's C headers under the sysroot but not GCC's C++
# library, which Debian keeps in a folder named for GCC's version and the
# -posix variant: the MinGW-w64 g++ is asked where it is. Clang's driver does
# not find libstdc++ and libgcc there either, so the MinGW-w64 g++ driver
# links: this file is also read as the rules override that says so, after the
# platform's own rules.
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(MINGW_GXX ${MINGW_TRIPLET}-g++-posix)
if(DEFINED CMAKE_C_LINK_EXECUTABLE OR DEFINED CMAKE_CXX_LINK_EXECUTABLE)
    # The compile flags (clang's target and include folders) are not the
    # linker's business; the link flags, -static among them, are.
    foreach(lang C CXX)
        set(CMAKE_${lang}_LINK_EXECUTABLE
            "${MINGW_GXX} <CMAKE_${lang}_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> -Wl,--out-implib,<TARGET_IMPLIB> <LINK_LIBRARIES>")
        # Include folders on the command line, where clang-tidy and cppcheck
        # read them in the compilation database, not in a response file.
        set(CMAKE_${lang}_USE_RESPONSE_FILE_FOR_INCLUDES 0)
    endforeach()
    return()
endif()
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_FILE})

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${MINGW_TRIPLET})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_TRIPLET})
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
# Without a sysroot clang also searches the build machine's /usr/include.
set(CMAKE_SYSROOT /usr/${MINGW_TRIPLET})

# GCC's C++ library headers, wherever this MinGW-w64 g++ keeps them (the
# folder is named for its version): the C++ folders of its search list. Its
# other folders hold GCC's own intrinsics, which clang has its own of.
execute_process(COMMAND ${MINGW_GXX} -x c++ -E -v -o - -
                INPUT_FILE /dev/null OUTPUT_QUIET ERROR_VARIABLE search RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${MINGW_GXX} did not run (${status}): install g++-mingw-w64-x86-64")
endif()
string(REGEX MATCH "#include <\\.\\.\\.> search starts here:\n(.*)End of search list" search "${search}")
string(REPLACE "\n" ";" search "${CMAKE_MATCH_1}")
set(CMAKE_CXX_FLAGS_INIT "")
foreach(folder IN LISTS search)
    string(STRIP "${folder}" folder)
    if(folder MATCHES "/include/c\\+\\+")
        string(APPEND CMAKE_CXX_FLAGS_INIT " -isystem ${folder}")
    endif()
endforeach()
if(CMAKE_CXX_FLAGS_INIT STREQUAL "")
    message(FATAL_ERROR "${MINGW_GXX} names no C++ library folder in its search list")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)

