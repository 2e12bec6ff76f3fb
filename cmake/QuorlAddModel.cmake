# quorl_add_model(name source...): a model program built against the engine.
# The engine's usage requirements (C++20, and the strict floating-point
# flags its quad reals need: no contraction of a*b+c into a fused
# multiply-add, no fast-math) reach every source of the model this way,
# whatever flags the project adds. Without a build type it is optimised.
function(quorl_add_model name)
  if(NOT ARGN)
    message(FATAL_ERROR "quorl_add_model(${name}): no source files given")
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE Quorl::engine)
  # A project configured without a build type (and without an -O of its
  # own) would compile the model unoptimised, several times slower for
  # nothing: optimise it.
  if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES AND NOT CMAKE_CXX_FLAGS MATCHES "(^| )-O")
    target_compile_options(${name} PRIVATE -O2)
  endif()
endfunction()
