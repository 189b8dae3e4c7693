# Precompiled headers, for builds that compile everything once (scripts/test turns them on):
# each target parses the headers most of its files include once, instead of once per file,
# which takes about a third off compiling a test file. They are off by default: ccache does
# not cache a file compiled with a precompiled header unless told to, a build that recompiles
# a few files gains nothing, and a file that leaves out an include it needs is only caught
# where each file stands alone.
#
# What is precompiled changes no file's meaning: only the standard library, GoogleTest and
# public headers of the SDK and the host, whose names (R..., V...) no file-local helper
# takes. File-local helpers of different files never meet (unlike a unity build, which
# would join files and make their helpers clash).
#
# Every target of these kinds gets them, so targets added later need nothing:
#   an SDK layer:   the standard set, and the scene's node (or the core's string) when the
#                   layer sees that folder;
#   a host room:    the standard set and the host's value types;
#   the plug-in:    the standard set, the SDK's scene and curves, the host-aware node and the
#                   host's value types;
#   a test suite (an executable named *_tests): the standard set, GoogleTest, and the SDK's or
#                   the host's headers of the libraries it links.

option(WYX_PRECOMPILED_HEADERS "Precompile the headers most files include (faster full builds)" OFF)

set(WYX_PCH_STANDARD <algorithm> <cmath> <cstdint> <cstdio> <cstring> <functional> <map> <memory> <set>
  <sstream> <string> <unordered_map> <utility> <vector>)
set(WYX_PCH_HOST_VALUES <vexa/VStatus.h> <vexa/VString.h> <vexa/VObject.h>)
set(WYX_PCH_HOST_API ${WYX_PCH_HOST_VALUES} <vexa/VDagPath.h> <vexa/VFnDependencyNode.h> <vexa/VGlobal.h>
  <vexa/VMessageLog.h> <vexa/VPlug.h>)
set(WYX_PCH_SDK <core/RString.h> <scene/RWyxNode.h> <scene/RWyxObjectFactory.h> <scene/RWyxScene.h>
  <curves/RFCurve.h>)

function(wyx_precompile target)
  target_precompile_headers(${target} PRIVATE ${WYX_PCH_STANDARD} ${ARGN})
endfunction()

# The targets defined in the folder and below it.
function(wyx_targets_below folder out)
  get_property(found DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(subfolder IN LISTS subfolders)
    wyx_targets_below(${subfolder} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Called once every target is defined.
function(wyx_precompile_all)
  if(NOT WYX_PRECOMPILED_HEADERS)
    return()
  endif()
  get_property(layers GLOBAL PROPERTY WYX_SDK_LAYERS)
  foreach(layer IN LISTS layers)
    get_target_property(folders ${layer} WYX_LAYER_FOLDERS)
    if("scene" IN_LIST folders)
      wyx_precompile(${layer} <core/RString.h> <scene/RWyxNode.h>)
    elseif("core" IN_LIST folders)
      wyx_precompile(${layer} <core/RString.h>)
    else()
      wyx_precompile(${layer})
    endif()
  endforeach()
  get_property(rooms GLOBAL PROPERTY VEXA_HOST_ROOMS)
  foreach(room IN LISTS rooms)
    wyx_precompile(${room} ${WYX_PCH_HOST_VALUES})
  endforeach()
  wyx_precompile(wyxplugin ${WYX_PCH_SDK} <plugin/VexaNode.h> ${WYX_PCH_HOST_API})

  if(NOT WYX_BUILD_TESTS)
    return()
  endif()
  wyx_targets_below(${PROJECT_SOURCE_DIR}/tests tests)
  foreach(target IN LISTS tests)
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "EXECUTABLE" OR NOT target MATCHES "_tests$")
      continue()
    endif()
    get_target_property(libraries ${target} LINK_LIBRARIES)
    set(headers <gtest/gtest.h>)
    if("wyxsdk" IN_LIST libraries)
      list(APPEND headers ${WYX_PCH_SDK})
    endif()
    if("vexahost" IN_LIST libraries)
      list(APPEND headers ${WYX_PCH_HOST_API})
    endif()
    wyx_precompile(${target} ${headers})
  endforeach()
endfunction()
