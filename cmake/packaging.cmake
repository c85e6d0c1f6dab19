# Installation and the players' packages.
#
# Linux: the program in bin/, the voice and the sample configuration in
# share/mirabo/ (where the program looks for fones.DAT after the current and
# its own directory), a desktop entry.  Windows: one folder with everything
# beside mirabo.exe, packed as a zip, since the program looks for fones.DAT
# in the current directory, which is the program's own when it is opened
# from Explorer.

set(voice_file ${PROJECT_BINARY_DIR}/fones.DAT)

if(WIN32)
  install(TARGETS mirabo RUNTIME DESTINATION .)
  install(FILES MIRABO.INI LICENSE packaging/LEIAME.txt DESTINATION .)
  install(FILES ${voice_file} DESTINATION . OPTIONAL)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME mirabo)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_FILE_NAME "mirabo-${PROJECT_VERSION}-windows")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
else()
  install(TARGETS mirabo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES MIRABO.INI DESTINATION ${CMAKE_INSTALL_DATADIR}/mirabo)
  install(FILES ${voice_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/mirabo OPTIONAL)
  install(FILES packaging/mirabo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
