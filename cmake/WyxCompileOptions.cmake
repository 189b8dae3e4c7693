# Warning, sanitizer and code generation flags shared by every target of the project.

set(WYX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# WYX_ROUNDING_FLAGS: what keeps the optimiser from losing a rounding to float.
include(${CMAKE_CURRENT_LIST_DIR}/WyxRoundingProbe.cmake)

function(wyx_apply_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra ${WYX_ROUNDING_FLAGS})
  if(WYX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(WYX_SANITIZE)
    target_compile_options(${target} PUBLIC ${WYX_SANITIZER_FLAGS})
    target_link_options(${target} PUBLIC ${WYX_SANITIZER_FLAGS})
  endif()
endfunction()
