# Installation: the program and its support/ folder in a private folder, a
# command in bin/, and what the desktop needs to list and start Driftway.
include(GNUInstallDirs)

set(DRIFTWAY_PROGRAM_DIR "lib/driftway" CACHE STRING
    "Folder below the prefix that holds the executable and its support/ folder")
set(DRIFTWAY_APPSTREAM_ID "example.quillmere.driftway")

if(DRIFTWAY_GTK)
  # The program finds support/ beside its real executable (it reads
  # /proc/self/exe, which resolves symbolic links), so bin/ only holds a
  # relative link; a relative link also stays right inside a DESTDIR stage.
  install(TARGETS Driftway RUNTIME DESTINATION ${DRIFTWAY_PROGRAM_DIR})
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/support/ DESTINATION ${DRIFTWAY_PROGRAM_DIR}/support)

  file(RELATIVE_PATH link_target /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${DRIFTWAY_PROGRAM_DIR}/Driftway)
  set(link_dir ${CMAKE_BINARY_DIR}/install-link)
  file(MAKE_DIRECTORY ${link_dir})
  file(CREATE_LINK ${link_target} ${link_dir}/Driftway SYMBOLIC)
  install(FILES ${link_dir}/Driftway DESTINATION ${CMAKE_INSTALL_BINDIR})

  install(FILES ${CMAKE_SOURCE_DIR}/data/driftway.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/data/driftway.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
          RENAME ${DRIFTWAY_APPSTREAM_ID}.metainfo.xml)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES ${CMAKE_SOURCE_DIR}/data/Driftway.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  # A direct install refreshes the desktop's caches; a staged one (DESTDIR)
  # leaves that to the package's own scripts.
  install(CODE "
    if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
      find_program(icon_cache gtk-update-icon-cache)
      if(icon_cache)
        execute_process(COMMAND \${icon_cache} -q -t -f \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/icons/hicolor\")
      endif()
      find_program(desktop_database update-desktop-database)
      if(desktop_database)
        execute_process(COMMAND \${desktop_database} -q \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
      endif()
    endif()")

  add_test(NAME install.metadata
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/check_metadata.sh ${CMAKE_SOURCE_DIR} ${PROJECT_VERSION})
  add_test(NAME install.staged
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/staged_install.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}
                   ${PROJECT_VERSION} ${DRIFTWAY_PROGRAM_DIR} ${DRIFTWAY_APPSTREAM_ID})
  set_tests_properties(install.metadata install.staged PROPERTIES LABELS install TIMEOUT 300)
endif()
