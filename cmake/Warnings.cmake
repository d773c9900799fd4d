# Every target of the project builds without a warning.
add_compile_options(-Wall -Wextra -Werror)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    # i686 defaults to x87 arithmetic with excess precision; SSE2 rounds every float step
    # to single precision where the source says so, as the 64-bit builds do.
    add_compile_options(-msse2 -mfpmath=sse)
endif()
if(WIN32)
    # Self-contained DLLs and test programs: the GCC runtime and winpthread go in statically.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()
