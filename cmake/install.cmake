# Install rules: the two programs, the bundled sample and starter database,
# the desktop entry with its icon, the manual pages and the documents with
# the pictures and pages they link to. `cmake --install BUILD --prefix P`
# puts them under P; the programs find their data relative to themselves,
# and only the desktop entry carries the prefix, written when it is
# installed.
include(GNUInstallDirs)

set(LETTERFREQ_DATA_DIR ${CMAKE_INSTALL_DATADIR}/letterfreq)

# detect and the window find the installed starter database and sample
# from the program's folder.
file(RELATIVE_PATH BIN_TO_DATA
  /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${LETTERFREQ_DATA_DIR})
set_property(SOURCE profiles/starter_database.cpp APPEND
  PROPERTY COMPILE_DEFINITIONS LETTERFREQ_BIN_TO_DATA="${BIN_TO_DATA}")

install(TARGETS letterfreq-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET letterfreq)
  install(TARGETS letterfreq RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES data/sample.txt data/ling2.db
  DESTINATION ${LETTERFREQ_DATA_DIR})

# Exec needs the program's absolute name, known only at install time
# (--prefix); DESTDIR is left out of it, as the file is read where it lands.
install(CODE "
  set(PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/letterfreq\")
  configure_file(\"${CMAKE_SOURCE_DIR}/data/desktop/letterfreq.desktop\"
    \"${CMAKE_BINARY_DIR}/install-desktop/letterfreq.desktop\" @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/install-desktop/letterfreq.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

install(FILES data/icons/letterfreq.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/icons/letterfreq-48.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps
  RENAME letterfreq.png)

install(FILES man/letterfreq.1 man/letterfreq-cli.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
# What the README shows and links to, at the same relative place.
install(FILES docs/window.png docs/accuracy.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
