# Warning and sanitizer flags shared by every target of the project.

set(WYX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

function(wyx_apply_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(WYX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(WYX_SANITIZE)
    target_compile_options(${target} PUBLIC ${WYX_SANITIZER_FLAGS})
    target_link_options(${target} PUBLIC ${WYX_SANITIZER_FLAGS})
  endif()
endfunction()
