# The SDK is built in layers, one per folder, each an object library. A layer compiles against
# an include root of its own that holds only its folder and the folders of the layers below it,
# so an include that runs up the layers fails to build. The objects of every layer are archived
# together as the one SDK library, `wyxsdk`, that the SDK's users link.

# wyx_add_layer(<target> <folder> [BELOW <lower layer targets...>])
function(wyx_add_layer target folder)
  cmake_parse_arguments(LAYER "" "" "BELOW" ${ARGN})
  add_library(${target} OBJECT)
  wyx_apply_compile_options(${target})

  set(folders ${folder})
  foreach(lower IN LISTS LAYER_BELOW)
    get_target_property(lower_folders ${lower} WYX_LAYER_FOLDERS)
    list(APPEND folders ${lower_folders})
  endforeach()
  list(REMOVE_DUPLICATES folders)
  set_target_properties(${target} PROPERTIES WYX_LAYER_FOLDERS "${folders}")

  set(root ${CMAKE_BINARY_DIR}/layer-includes/${target})
  file(REMOVE_RECURSE ${root})
  foreach(visible IN LISTS folders)
    get_filename_component(parent ${root}/${visible} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${visible} ${root}/${visible} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PRIVATE ${root})

  target_sources(wyxsdk PRIVATE $<TARGET_OBJECTS:${target}>)
  set_property(GLOBAL APPEND PROPERTY WYX_SDK_LAYERS ${target})
endfunction()

# wyx_layer_link_libraries(<layer target> <external libraries...>): an external library a layer
# uses inside its sources (no SDK header exposes one); the SDK library links it.
function(wyx_layer_link_libraries target)
  target_link_libraries(${target} PRIVATE ${ARGN})
  target_link_libraries(wyxsdk PUBLIC ${ARGN})
endfunction()
