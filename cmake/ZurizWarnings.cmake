# Warnings for the project's own targets (not the SDK).
add_library(zuriz_warnings INTERFACE)
target_compile_options(zuriz_warnings INTERFACE -Wall -Wextra -Wno-unused-parameter)
