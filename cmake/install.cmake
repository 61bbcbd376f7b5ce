# Install rules: the two programs, the bundled sample and starter database,
# the desktop entry with its icon and launcher, the manual pages and the
# documents. `cmake --install BUILD --prefix P` puts them under P; the
# launcher finds everything relative to itself, and only the desktop entry
# carries the prefix, written when it is installed.
include(GNUInstallDirs)

set(LETTERFREQ_DATA_DIR ${CMAKE_INSTALL_DATADIR}/letterfreq)
set(LETTERFREQ_LAUNCHER_DIR ${CMAKE_INSTALL_LIBEXECDIR}/letterfreq)

# detect and the window find the installed starter database and sample
# from the program's folder.
file(RELATIVE_PATH BIN_TO_DATA
  /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${LETTERFREQ_DATA_DIR})
set_property(SOURCE cli/detect_command.cpp app/start_files.cpp APPEND
  PROPERTY COMPILE_DEFINITIONS LETTERFREQ_BIN_TO_DATA="${BIN_TO_DATA}")

install(TARGETS letterfreq-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET letterfreq)
  install(TARGETS letterfreq RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES data/sample.txt data/ling2.db
  DESTINATION ${LETTERFREQ_DATA_DIR})

# The launcher climbs from its own folder to the prefix.
file(RELATIVE_PATH LAUNCHER_TO_PREFIX
  /prefix/${LETTERFREQ_LAUNCHER_DIR} /prefix)
set(LAUNCHER_DIR ${LETTERFREQ_LAUNCHER_DIR})
set(DATA_DIR ${LETTERFREQ_DATA_DIR})
set(BIN_DIR ${CMAKE_INSTALL_BINDIR})
configure_file(data/desktop/letterfreq-start.in
  ${CMAKE_BINARY_DIR}/letterfreq-start @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/letterfreq-start
  DESTINATION ${LETTERFREQ_LAUNCHER_DIR})

# Exec needs the launcher's absolute name, known only at install time
# (--prefix); DESTDIR is left out of it, as the file is read where it lands.
install(CODE "
  set(LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/${LETTERFREQ_LAUNCHER_DIR}/letterfreq-start\")
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
