# SPDX-License-Identifier: MIT
# Our own targets build with a strict warning set. Warnings are errors where
# CMAKE_COMPILE_WARNING_AS_ERROR asks for it (the presets and CI), not in a plain build: a
# packager's or an IDE's newer compiler must not break the build over a new warning.
function(tw_strict_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                 -Wno-sign-conversion)
    endif()
endfunction()

# The same for test code. GCC 12 reports overlapping copies, overflows, overreads and
# out-of-bounds copies inside libstdc++'s string concatenation and vector copies at -O2 and
# above that cannot happen (GCC bugs 105329, 105651 and 107852); the tests meet them, the
# program does not.
function(tw_test_warnings target)
    tw_strict_warnings(${target})
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -Wno-restrict -Wno-stringop-overflow
                                                     -Wno-array-bounds -Wno-stringop-overread)
    endif()
endfunction()
