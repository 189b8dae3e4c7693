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
# Every target of these kinds gets them, so targets added later need nothing; targets of one
# kind and one header set share one (see wyx_precompile_shared):
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

# The number of C++ source files of the target.
function(wyx_source_count target out)
  get_target_property(sources ${target} SOURCES)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  list(LENGTH sources count)
  set(${out} ${count} PARENT_SCOPE)
endfunction()

# Precompiles, for each target named, the standard set and the headers its variable
# pch_<target> lists. The targets of one list are of one kind, compiled with the same flags,
# so those of one header set share one precompiled header: the first of them with three
# source files or more (for fewer, it would cost about what it saves) and no definitions of
# its own compiles it, and the others reuse it, with definitions of their own if they have
# them. A header compiled with definitions is not shared: they would go with it (Clang) or
# make it refused (GCC) where a target lacks them. Such a target of a set that has no shared
# header, if it has three files or more, compiles its own.
function(wyx_precompile_shared)
  foreach(target IN LISTS ARGN)
    string(MD5 set "${pch_${target}}")
    wyx_source_count(${target} count_${target})
    get_target_property(definitions ${target} COMPILE_DEFINITIONS)
    if(NOT DEFINED compiled_by_${set} AND count_${target} GREATER_EQUAL 3 AND NOT definitions)
      target_precompile_headers(${target} PRIVATE ${WYX_PCH_STANDARD} ${pch_${target}})
      set(compiled_by_${set} ${target})
    endif()
  endforeach()
  foreach(target IN LISTS ARGN)
    string(MD5 set "${pch_${target}}")
    if(NOT DEFINED compiled_by_${set})
      if(count_${target} GREATER_EQUAL 3)
        target_precompile_headers(${target} PRIVATE ${WYX_PCH_STANDARD} ${pch_${target}})
      endif()
    elseif(NOT compiled_by_${set} STREQUAL target)
      target_precompile_headers(${target} REUSE_FROM ${compiled_by_${set}})
    endif()
  endforeach()
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
      set(pch_${layer} <core/RString.h> <scene/RWyxNode.h>)
    elseif("core" IN_LIST folders)
      set(pch_${layer} <core/RString.h>)
    else()
      set(pch_${layer} "")
    endif()
  endforeach()
  wyx_precompile_shared(${layers})
  get_property(rooms GLOBAL PROPERTY VEXA_HOST_ROOMS)
  foreach(room IN LISTS rooms)
    set(pch_${room} ${WYX_PCH_HOST_VALUES})
  endforeach()
  wyx_precompile_shared(${rooms})
  set(pch_wyxplugin ${WYX_PCH_SDK} <plugin/VexaNode.h> ${WYX_PCH_HOST_API})
  wyx_precompile_shared(wyxplugin)

  if(NOT WYX_BUILD_TESTS)
    return()
  endif()
  wyx_targets_below(${PROJECT_SOURCE_DIR}/tests candidates)
  set(suites "")
  foreach(target IN LISTS candidates)
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "EXECUTABLE" OR NOT target MATCHES "_tests$")
      continue()
    endif()
    get_target_property(libraries ${target} LINK_LIBRARIES)
    set(pch_${target} <gtest/gtest.h>)
    if("wyxsdk" IN_LIST libraries)
      list(APPEND pch_${target} ${WYX_PCH_SDK})
    endif()
    if("vexahost" IN_LIST libraries)
      list(APPEND pch_${target} ${WYX_PCH_HOST_API})
    endif()
    list(APPEND suites ${target})
  endforeach()
  wyx_precompile_shared(${suites})
endfunction()
