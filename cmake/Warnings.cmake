add_library(strobe95_warnings INTERFACE)
target_compile_options(strobe95_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
