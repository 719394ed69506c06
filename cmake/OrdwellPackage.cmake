# The release: a ZIP of the i686 build, the one that ships, made by
#   cmake --build --preset win32 --target package
# It holds the two executables, the user guide (readme.txt among it), the
# licence and SHA256SUMS, a list of their SHA-256 sums in sha256sum's
# format, all at its top.

# The user guide that goes into the zip, with the pictures it shows: they
# lie beside it, as in docs/. readme.txt is the guide for Notepad (made from
# it by tools/guide/make-examples.py).
set(ORDWELL_GUIDE_FILES
    ${PROJECT_SOURCE_DIR}/docs/readme.txt
    ${PROJECT_SOURCE_DIR}/docs/guide.ja.md ${PROJECT_SOURCE_DIR}/docs/guide.md
    ${PROJECT_SOURCE_DIR}/docs/guide-editor.png ${PROJECT_SOURCE_DIR}/docs/options-dialog.png)

install(TARGETS Ordwell ordwell-sort RUNTIME DESTINATION .)
install(FILES ${ORDWELL_GUIDE_FILES} ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(packaged "$<TARGET_FILE_NAME:Ordwell>" "$<TARGET_FILE_NAME:ordwell-sort>")
foreach(file ${ORDWELL_GUIDE_FILES} ${PROJECT_SOURCE_DIR}/LICENSE)
  get_filename_component(name ${file} NAME)
  list(APPEND packaged ${name})
endforeach()
# Runs after the files are installed (and stripped), in the same scope.
install(CODE "set(ORDWELL_PACKAGED_FILES \"${packaged}\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/WriteChecksums.cmake)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Ordwell)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Ordwell-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
