# Rounding to single precision, as the build type compiles it. The importer rounds each point it
# hands the host to float, and the writers round what they store as float; some optimisers lose
# such a rounding (GCC 12 at -O2 and above: its SLP vectoriser joins the conversions
# double -> float -> double of two neighbouring values into one vector operation that a later
# pass folds away), and an optimised build then makes other meshes and other files than a Debug
# build. So configuring builds a probe (WyxRoundingProbe.cpp) with the flags of each build type
# it configures and runs it; where the rounding is lost, every target is compiled without the
# SLP vectoriser: WYX_ROUNDING_FLAGS, which wyx_apply_compile_options adds.
#
# A probe that cannot run (cross-compiling without CMAKE_CROSSCOMPILING_EMULATOR) tells nothing;
# the flag is then added wherever the compiler takes it, which costs some speed and no precision.

include(CheckCXXCompilerFlag)

set(WYX_ROUNDING_PROBE ${CMAKE_CURRENT_LIST_DIR}/WyxRoundingProbe.cpp)
set(WYX_ROUNDING_MEND -fno-tree-slp-vectorize)

# Builds the probe for `config` with the given extra flags and runs it; sets `out` to "rounded",
# "lost" or "unknown" (not run, not built or crashed).
function(wyx_run_rounding_probe config out)
  set(CMAKE_TRY_COMPILE_CONFIGURATION ${config})
  set(flags ${ARGN})
  if(WYX_SANITIZE)
    list(APPEND flags ${WYX_SANITIZER_FLAGS})
  endif()
  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(${out} unknown PARENT_SCOPE)
    return()
  endif()
  try_run(ran built SOURCES ${WYX_ROUNDING_PROBE} NO_CACHE
    COMPILE_DEFINITIONS ${flags} LINK_OPTIONS ${flags}
    COMPILE_OUTPUT_VARIABLE built_output RUN_OUTPUT_VARIABLE ran_output)
  if(NOT built)
    message(WARNING "The rounding probe did not build for ${config}:\n${built_output}")
    set(${out} unknown PARENT_SCOPE)
  elseif(ran STREQUAL "0")
    set(${out} rounded PARENT_SCOPE)
  elseif(ran STREQUAL "1")
    set(${out} lost PARENT_SCOPE)
  else()
    message(WARNING "The rounding probe failed to run for ${config}: ${ran} ${ran_output}")
    set(${out} unknown PARENT_SCOPE)
  endif()
endfunction()

# Sets `out` to the flags `config` needs. The answer is kept in the cache while the compiler, its
# flags and the probe stay as they are.
function(wyx_rounding_flags_for config out)
  string(TOUPPER "${config}" upper)
  file(MD5 ${WYX_ROUNDING_PROBE} probe)
  set(key "${CMAKE_CXX_COMPILER};${CMAKE_CXX_COMPILER_VERSION};${CMAKE_CXX_FLAGS};${CMAKE_CXX_FLAGS_${upper}}")
  string(APPEND key ";${WYX_SANITIZE};${CMAKE_CROSSCOMPILING_EMULATOR};${probe}")
  if(NOT "${WYX_ROUNDING_KEY_${upper}}" STREQUAL key)
    wyx_run_rounding_probe("${config}" found)
    if(found STREQUAL "lost")
      wyx_run_rounding_probe("${config}" mended ${WYX_ROUNDING_MEND})
      if(NOT mended STREQUAL "rounded")
        message(FATAL_ERROR "${config} builds lose the rounding of doubles to float, "
          "also with ${WYX_ROUNDING_MEND}: choose another compiler or build type")
      endif()
    endif()
    set(WYX_ROUNDING_KEY_${upper} "${key}" CACHE INTERNAL "What the rounding probe was run with")
    set(WYX_ROUNDING_FOUND_${upper} "${found}" CACHE INTERNAL "What the rounding probe found")
  endif()
  set(found ${WYX_ROUNDING_FOUND_${upper}})
  if(found STREQUAL "unknown")
    check_cxx_compiler_flag(${WYX_ROUNDING_MEND} WYX_TAKES_ROUNDING_MEND)
    if(NOT WYX_TAKES_ROUNDING_MEND)
      set(found rounded)
    endif()
  endif()
  set(${out} "" PARENT_SCOPE)
  if(found STREQUAL "rounded")
    return()
  endif()
  set(builds "${config} builds")
  if(config STREQUAL "")
    set(builds "Builds without a build type")
  endif()
  if(found STREQUAL "lost")
    message(STATUS "${builds} lose the rounding of doubles to float (cmake/WyxRoundingProbe.cpp): "
      "every target is compiled with ${WYX_ROUNDING_MEND}")
  else()
    message(STATUS "${builds} could not run the rounding probe (cmake/WyxRoundingProbe.cpp): "
      "every target is compiled with ${WYX_ROUNDING_MEND} to be safe")
  endif()
  set(${out} ${WYX_ROUNDING_MEND} PARENT_SCOPE)
endfunction()

# The flags of every build type this configures (a multi-config generator builds several).
set(WYX_ROUNDING_FLAGS)
get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(multi_config)
  foreach(config IN LISTS CMAKE_CONFIGURATION_TYPES)
    wyx_rounding_flags_for(${config} flags)
    if(flags)
      list(APPEND WYX_ROUNDING_FLAGS "$<$<CONFIG:${config}>:${flags}>")
    endif()
  endforeach()
else()
  wyx_rounding_flags_for("${CMAKE_BUILD_TYPE}" WYX_ROUNDING_FLAGS)
endif()
