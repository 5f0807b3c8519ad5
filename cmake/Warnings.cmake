# One place for the warning flags every target of ours uses.
add_library(zolmar_warnings INTERFACE)
target_compile_options(zolmar_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(ZOLMAR_WERROR)
    target_compile_options(zolmar_warnings INTERFACE -Werror)
endif()
