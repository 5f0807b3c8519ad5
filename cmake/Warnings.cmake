# One place for the warning flags every target of ours uses.
add_library(zolmar_warnings INTERFACE)
target_compile_options(zolmar_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(ZOLMAR_WERROR)
    target_compile_options(zolmar_warnings INTERFACE -Werror)
endif()
# GCC 12 at -O3 reports impossible overlaps inside std::string's own concatenation
# (a known false positive of that compiler); the warning is useless there.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(zolmar_warnings INTERFACE -Wno-restrict)
endif()
