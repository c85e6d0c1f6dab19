# What makes the layers hold: every file shares one include root, so the
# compiler alone would let any file include any header.
#
# 1. Before any layer is compiled, cmake/check_layers.cmake reads every
#    include of platform/, the layers and tools/ and fails the build on one
#    that runs upward (the console's files have an order of their own).
# 2. Each layer's library is linked whole into a program of its own with
#    only the layers below it, so that a call upward, declared by hand
#    instead of included, is an undefined reference.
file(GLOB_RECURSE MIRABO_CHECKED_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/platform/*.h ${PROJECT_SOURCE_DIR}/platform/*.cpp
  ${PROJECT_SOURCE_DIR}/runtime/*.h ${PROJECT_SOURCE_DIR}/runtime/*.cpp
  ${PROJECT_SOURCE_DIR}/console/*.h ${PROJECT_SOURCE_DIR}/console/*.cpp
  ${PROJECT_SOURCE_DIR}/synt/*.h ${PROJECT_SOURCE_DIR}/synt/*.cpp
  ${PROJECT_SOURCE_DIR}/letras/*.h ${PROJECT_SOURCE_DIR}/letras/*.cpp
  ${PROJECT_SOURCE_DIR}/messages/*.h ${PROJECT_SOURCE_DIR}/messages/*.cpp
  ${PROJECT_SOURCE_DIR}/game/*.h ${PROJECT_SOURCE_DIR}/game/*.cpp
  ${PROJECT_SOURCE_DIR}/tools/*.h ${PROJECT_SOURCE_DIR}/tools/*.cpp)
set(MIRABO_LAYER_STAMP ${PROJECT_BINARY_DIR}/layers.checked)
add_custom_command(
  OUTPUT ${MIRABO_LAYER_STAMP}
  COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -DSTAMP=${MIRABO_LAYER_STAMP}
          -P ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake
  DEPENDS ${MIRABO_CHECKED_SOURCES} ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake
  COMMENT "Checking that no include runs against the layers"
  VERBATIM)
add_custom_target(mirabo_layer_check DEPENDS ${MIRABO_LAYER_STAMP})

set(MIRABO_LINK_CHECK_MAIN ${PROJECT_BINARY_DIR}/layer_link_check.cpp)
file(WRITE ${MIRABO_LINK_CHECK_MAIN} "int main() { return 0; }\n")
set(below "")
foreach(layer IN LISTS MIRABO_LAYERS)
  add_dependencies(mirabo_${layer} mirabo_layer_check)
  add_executable(mirabo_link_check_${layer} ${MIRABO_LINK_CHECK_MAIN})
  target_link_libraries(mirabo_link_check_${layer} PRIVATE
    "$<LINK_LIBRARY:WHOLE_ARCHIVE,mirabo_${layer}>" ${below})
  set_target_properties(mirabo_link_check_${layer} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/layer_link_checks)
  list(APPEND below mirabo_${layer})
endforeach()
# The stand-ins' shared core stands on the interface alone.
add_dependencies(mirabo_platform_common mirabo_layer_check)
add_executable(mirabo_link_check_platform_common ${MIRABO_LINK_CHECK_MAIN})
target_link_libraries(mirabo_link_check_platform_common PRIVATE
  "$<LINK_LIBRARY:WHOLE_ARCHIVE,mirabo_platform_common>" mirabo_platform)
set_target_properties(mirabo_link_check_platform_common PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/layer_link_checks)
