# Installation and the players' packages.
#
# Linux: the program in bin/, the voice and the sample configuration in
# share/mirabo/ (where the program looks for fones.DAT after the current and
# its own directory), a desktop entry with its icon, a manual page; in the
# Debian package (MIRABO_DEBIAN_PACKAGE) the program in games/ and the data
# in share/games/mirabo/, with Debian's copyright file and changelog.  Windows: one folder with everything
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
  install(TARGETS mirabo RUNTIME DESTINATION ${MIRABO_INSTALL_PROGRAM_DIR})
  install(FILES MIRABO.INI DESTINATION ${MIRABO_INSTALL_DATA_DIR})
  install(FILES packaging/mirabo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/mirabo.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  # Manual pages and Debian's changelog are installed compressed, without
  # a time stamp in the gzip header, so that two builds give the same bytes.
  find_program(MIRABO_GZIP gzip REQUIRED)
  function(mirabo_gzipped source output)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${output}.plain
      COMMAND ${MIRABO_GZIP} -9nf ${output}.plain
      COMMAND ${CMAKE_COMMAND} -E rename ${output}.plain.gz ${output}
      DEPENDS ${source}
      VERBATIM)
  endfunction()
  set(packaging_dir ${PROJECT_BINARY_DIR}/packaging)
  file(MAKE_DIRECTORY ${packaging_dir})
  mirabo_gzipped(${PROJECT_SOURCE_DIR}/packaging/mirabo.6 ${packaging_dir}/mirabo.6.gz)
  set(compressed ${packaging_dir}/mirabo.6.gz)
  install(FILES ${packaging_dir}/mirabo.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

  if(MIRABO_DEBIAN_PACKAGE)
    # A package without its voice would be mute: the file must be there.
    install(FILES ${voice_file} DESTINATION ${MIRABO_INSTALL_DATA_DIR})
    mirabo_gzipped(${PROJECT_SOURCE_DIR}/packaging/debian/changelog
                   ${packaging_dir}/changelog.gz)
    list(APPEND compressed ${packaging_dir}/changelog.gz)
    install(FILES packaging/debian/copyright ${packaging_dir}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DOCDIR})

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME mirabo)
    set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
    set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER
        "mirabo maintainers <maintainers@users.noreply.c-seed-268e5b25.example>")
    set(CPACK_DEBIAN_PACKAGE_SECTION games)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # The libraries come from dpkg-shlibdeps; fontconfig needs a monospaced
    # face to stand in for Lucida Console.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
        "spoken maze game in Portuguese for blind and low-vision players")
    string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "A window behaves like an 80-column, 25-row text screen with a large,\n"
      "configurable font and colours, and everything it shows is spoken in\n"
      "Brazilian Portuguese, with short beeps between the steps.  The player\n"
      "crosses four rooms by typing digits; the game is played with the\n"
      "keyboard alone, six-key braille entry included, and has a magnifier\n"
      "on the right mouse button.")
    set(CPACK_STRIP_FILES ON)
    include(CPack)
  else()
    install(FILES ${voice_file} DESTINATION ${MIRABO_INSTALL_DATA_DIR} OPTIONAL)
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  endif()
  add_custom_target(compressed_docs ALL DEPENDS ${compressed})
endif()
