# What `cmake --install` puts where, and the packages CPack makes of it:
# - Linux: zolk_<version>_amd64.deb (scripts/package): zolk and zolk-cli in /usr/bin, the desktop
#   entry, the icon, the AppStream metainfo, the man pages and the Debian documents.
# - Windows (the mingw builds): zolk-<version>-win32.zip / -win64.zip (scripts/package-windows):
#   the programs and a README in one folder.
# The version is project(VERSION) everywhere.
include(GNUInstallDirs)
set(zolk_packaging ${PROJECT_SOURCE_DIR}/packaging)
# A package is made of what the build made; `cpack` does not build the tests first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME zolk)
set(CPACK_PACKAGE_VENDOR "Zolk developers")
set(CPACK_PACKAGE_CONTACT "Zolk developers <zolk@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "history backup of a folder tree, desktop and command line")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)

if(WIN32)
  foreach(program zolk zolk-cli)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION .)
    endif()
  endforeach()
  set(ZOLK_VERSION ${PROJECT_VERSION})
  configure_file(${zolk_packaging}/windows/README.txt ${CMAKE_BINARY_DIR}/packaging/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION .)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(zolk_windows_target win64)
  else()
    set(zolk_windows_target win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME zolk-${PROJECT_VERSION}-${zolk_windows_target})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
  return()
endif()

if(ZOLK_TESTS AND TARGET zolk-cli)
  add_test(NAME man_page_covers_the_commands
           COMMAND bash ${zolk_packaging}/check-man-page $<TARGET_FILE:zolk-cli> ${zolk_packaging}/zolk-cli.1)
endif()

foreach(program zolk zolk-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The man pages carry the version; man wants them compressed, without a time stamp.
set(zolk_man_pages zolk-cli)
if(TARGET zolk)
  list(APPEND zolk_man_pages zolk)
endif()
set(ZOLK_VERSION ${PROJECT_VERSION})
foreach(page ${zolk_man_pages})
  configure_file(${zolk_packaging}/${page}.1 ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    COMMAND gzip -9nf -k ${page}.1
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/man VERBATIM)
  list(APPEND zolk_man_files ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(zolk_man ALL DEPENDS ${zolk_man_files})
install(FILES ${zolk_man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(TARGET zolk)
  install(FILES ${zolk_packaging}/org.zolk.Zolk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${zolk_packaging}/org.zolk.Zolk.metainfo.xml
                 ${CMAKE_BINARY_DIR}/packaging/org.zolk.Zolk.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/org.zolk.Zolk.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  set(zolk_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${zolk_packaging}/icons/zolk.svg DESTINATION ${zolk_icons}/scalable/apps)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${zolk_packaging}/icons/${size}/zolk.png DESTINATION ${zolk_icons}/${size}x${size}/apps)
  endforeach()
endif()

# The Debian documents: the copyright, and the changelog of a native package.
configure_file(${zolk_packaging}/debian/changelog ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nf -k changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/packaging VERBATIM)
add_custom_target(zolk_debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${zolk_packaging}/debian/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary first, as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Zolk keeps a history backup of a folder tree. Each run moves the previous
full copy forward into a new numbered history folder, copies what is new or
changed, and moves the replaced and deleted versions into the older folder
with a change log of what it did. A restore rebuilds the tree exactly as it
stood after any run.
.
The package holds the Japanese desktop program (zolk) and the command-line
front end (zolk-cli).")
include(CPack)
