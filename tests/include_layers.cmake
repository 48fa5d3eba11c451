# Fails when a source file includes a header of a layer that its own layer
# may not use, as cmake/GallimawLayers.cmake lists them. The link cannot
# keep the layers apart: a static library's call into a higher layer links
# whenever the program pulls in the function it calls.
# Usage: cmake -DSOURCE=<source tree> -P tests/include_layers.cmake
cmake_minimum_required(VERSION 3.25)
include(${SOURCE}/cmake/GallimawLayers.cmake)

# The layer that holds a path of the tree: the one with the longest folder
# the path lies in, or nothing.
function(layer_of path result)
  set(found "")
  set(found_length 0)
  foreach(layer ${GALLIMAW_LAYERS})
    list(GET GALLIMAW_LAYER_${layer} 0 folder)
    string(LENGTH "${folder}/" length)
    string(FIND "${path}" "${folder}/" at)
    if(at EQUAL 0 AND length GREATER found_length)
      set(found ${layer})
      set(found_length ${length})
    endif()
  endforeach()
  set(${result} "${found}" PARENT_SCOPE)
endfunction()

set(wrong "")
foreach(layer ${GALLIMAW_LAYERS})
  set(uses ${GALLIMAW_LAYER_${layer}})
  list(POP_FRONT uses folder)
  file(GLOB_RECURSE files RELATIVE ${SOURCE} ${SOURCE}/${folder}/*.cpp ${SOURCE}/${folder}/*.h)
  foreach(file ${files})
    layer_of(${file} owner)
    if(NOT owner STREQUAL layer)
      continue()
    endif()
    file(STRINGS ${SOURCE}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*" "\\1" header "${line}")
      # A header named without a folder lies beside the file.
      if(NOT header MATCHES "/")
        continue()
      endif()
      layer_of(${header} used)
      if(NOT used STREQUAL layer AND NOT used IN_LIST uses)
        list(APPEND wrong "${file} (${layer}) includes ${header} (${used})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(wrong)
  list(JOIN wrong "\n" lines)
  message(FATAL_ERROR "includes across the layers:\n${lines}")
endif()
