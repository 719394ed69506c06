# The one version of the project (project() in the top CMakeLists.txt), in
# the forms that Windows wants: "a.b.c.d" and "a,b,c,d".
set(ORDWELL_VERSION_TWEAK 0)
if(NOT "${PROJECT_VERSION_TWEAK}" STREQUAL "")
  set(ORDWELL_VERSION_TWEAK ${PROJECT_VERSION_TWEAK})
endif()
set(ORDWELL_VERSION_QUAD
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${ORDWELL_VERSION_TWEAK}")
string(REPLACE "." "," ORDWELL_VERSION_COMMAS "${ORDWELL_VERSION_QUAD}")

# ordwell_version_resource(target description): gives a shipped executable
# its version resource; description is its FileDescription (UTF-8).
function(ordwell_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  set(ORDWELL_FILE_DESCRIPTION "${description}")
  set(ORDWELL_FILE_NAME "${target}${CMAKE_EXECUTABLE_SUFFIX}")
  configure_file(${PROJECT_SOURCE_DIR}/res/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()
