# One interface target carries the project's warnings; one switch turns on the sanitizers.

option(ORVISTAD_WERROR "Treat warnings as errors (CI)" OFF)
option(ORVISTAD_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(orvistad_compiler_config INTERFACE)
target_compile_options(orvistad_compiler_config INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough
  $<$<BOOL:${ORVISTAD_WERROR}>:-Werror>)

if(ORVISTAD_SANITIZE)
  set(_orv_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${_orv_san})
  # GCC's flow analysis reports false "maybe uninitialized" warnings in library headers
  # once the sanitizers instrument them.
  target_compile_options(orvistad_compiler_config INTERFACE $<$<CXX_COMPILER_ID:GNU>:-Wno-maybe-uninitialized>)
  add_link_options(${_orv_san})
endif()
