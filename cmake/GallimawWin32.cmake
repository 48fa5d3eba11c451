# The Win32 settings that every program, library and test of the mingw-w64
# tree is built with, stated once: link gallimaw_win32 to get them.
add_library(gallimaw_win32 INTERFACE)
target_include_directories(gallimaw_win32 INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_definitions(gallimaw_win32 INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN _WIN32_IE=0x0600
  _WIN32_WINNT=0x0601)
target_link_libraries(gallimaw_win32 INTERFACE comctl32 gdi32 user32 shell32 advapi32 psapi)

include(GallimawLayers)

# gallimaw_add_layer(LAYER [EXCLUDE file...]): the layer's library
# gallimaw_LAYER, made of its folder's sources and linked with only the
# layers it may use. A call into a higher layer may still link, wherever the
# program pulls in the function it calls; tests/include_layers.cmake is what
# keeps the layers apart.
function(gallimaw_add_layer layer)
  cmake_parse_arguments(L "" "" "EXCLUDE" ${ARGN})
  list(POP_FRONT GALLIMAW_LAYER_${layer} folder)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  list(REMOVE_ITEM sources ${L_EXCLUDE} "")
  add_library(gallimaw_${layer} STATIC ${sources})
  target_link_libraries(gallimaw_${layer} PUBLIC gallimaw_win32)
  # A layer of headers alone, such as res, has no library.
  foreach(use ${GALLIMAW_LAYER_${layer}})
    target_link_libraries(gallimaw_${layer} PUBLIC $<TARGET_NAME_IF_EXISTS:gallimaw_${use}>)
  endforeach()
endfunction()
