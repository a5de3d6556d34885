# What the Linux package installs, and the package: CPack's DEB generator,
# its dependencies found by dpkg-shlibdeps.
include(GNUInstallDirs)
set(package_files ${PROJECT_SOURCE_DIR}/packaging/linux)
install(TARGETS vork RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${package_files}/vork.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon in the hicolor sizes, scaled from the page's own.
find_program(VORK_CONVERT convert REQUIRED)
set(icons "")
foreach(size 48 128 256)
  set(icon ${CMAKE_BINARY_DIR}/icons/${size}/vork.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
    COMMAND ${VORK_CONVERT} ${PROJECT_SOURCE_DIR}/src/web/page/icon-512.png -strip -resize ${size}x${size} ${icon}
    DEPENDS ${PROJECT_SOURCE_DIR}/src/web/page/icon-512.png)
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  list(APPEND icons ${icon})
endforeach()

# The guides, the copyright file and the changelog, compressed as Debian keeps a
# native package's.
set(doc ${CMAKE_INSTALL_DATADIR}/doc/vork)
set(changelog ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND gzip -9n -c ${package_files}/changelog > ${changelog}
  DEPENDS ${package_files}/changelog)
add_custom_target(vork_package_files ALL DEPENDS ${icons} ${changelog})
install(FILES ${changelog} ${package_files}/copyright DESTINATION ${doc})
# The guides and what they link to, that the links work where they are installed.
set(guide_files user-guide.md linux.md browser-remote.md phones.md tray-menu.png browser-remote.png vork-web.png
    connect-page.png remote-keypad.png remote-keyboard.png)
list(TRANSFORM guide_files PREPEND ${PROJECT_SOURCE_DIR}/docs/)
install(FILES ${guide_files} DESTINATION ${doc})
install(FILES ${PROJECT_SOURCE_DIR}/keymaps/players.toml DESTINATION ${doc}/keymaps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vork)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Vork authors <vork@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "phone as a remote control for media players and slide shows")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vork turns a phone into a remote control for this PC: a phone's browser\n paired by a QR code, or a Bluetooth phone app, drives the media player or\n presentation in front with its own keys, moves the pointer, types text\n and mutes the sound.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME vork_${PROJECT_VERSION}_amd64.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/deb)
include(CPack)
