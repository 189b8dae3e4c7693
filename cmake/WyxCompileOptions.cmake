# Warning, sanitizer and code generation flags shared by every target of the project.

set(WYX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# WYX_ROUNDING_FLAGS: what keeps the optimiser from losing a rounding to float.
include(${CMAKE_CURRENT_LIST_DIR}/WyxRoundingProbe.cmake)

function(wyx_apply_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra ${WYX_ROUNDING_FLAGS})
  if(WYX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # A test suite's own files are compiled without optimisation in optimised builds: what they
  # test is in the libraries, compiled as users build them, while the test files, two thirds
  # of such a build, compile in about a third of the time (the whole build takes a fifth less
  # CPU time). The flag follows the build type's own -O3, so it is the one that holds.
  if(target MATCHES "_tests$")
    target_compile_options(${target} PRIVATE $<$<CONFIG:Release,RelWithDebInfo>:-O0>)
  endif()
  if(WYX_SANITIZE)
    target_compile_options(${target} PUBLIC ${WYX_SANITIZER_FLAGS})
    target_link_options(${target} PUBLIC ${WYX_SANITIZER_FLAGS})
  endif()
endfunction()
