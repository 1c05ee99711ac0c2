# The Debian package of the Linux programs: `cpack -G DEB` in the build folder makes
# plivex_<version>_<arch>.deb with plivex, plivex-console and plivex-doctor, the menu entry, the
# icon (the drawing and PNGs of the theme's sizes, rendered at build time), a manual page each,
# the copyright file, the changelog and README.Debian (the `input` group on Wayland). Its dependencies are the shared libraries the programs
# link, found by dpkg-shlibdeps (Debian: dpkg-dev). docs/packaging.md says more.
include(GNUInstallDirs)

set(PLIVEX_PACKAGE_MAINTAINER "Plivex authors <plivex@users.noreply.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")

set(packagingSource ${PROJECT_SOURCE_DIR}/packaging/linux)
set(packagingBuild ${PROJECT_BINARY_DIR}/packaging)
set(docDirectory ${CMAKE_INSTALL_DATADIR}/doc/plivex)

# The icon theme's PNGs, drawn from the application icon's SVG.
set(themeDirectory ${packagingBuild}/hicolor)
set(themeImages)
foreach(pixels 16 22 24 32 48 64 128 256 512)
  list(APPEND themeImages ${themeDirectory}/${pixels}x${pixels}/apps/plivex.png)
endforeach()
add_custom_command(
  OUTPUT ${themeImages}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${themeDirectory}
  COMMAND plivex-icon-render --hicolor plivex ${PLIVEX_APP_ICON_SVG} ${themeDirectory}
  DEPENDS plivex-icon-render ${PLIVEX_APP_ICON_SVG}
  COMMENT "Drawing the icon theme's images"
  VERBATIM)

# Manual pages and the changelog go compressed, as Debian's policy asks (gzip -n: no name or
# time stamp, so the same input gives the same file).
set(compressedFiles)
function(plivex_compress source destination)
  add_custom_command(
    OUTPUT ${destination}
    COMMAND gzip -9nc ${source} > ${destination}
    DEPENDS ${source}
    VERBATIM)
  set(compressedFiles ${compressedFiles} ${destination} PARENT_SCOPE)
endfunction()
set(manualPages)
foreach(program plivex plivex-console plivex-doctor)
  plivex_compress(${PROJECT_SOURCE_DIR}/docs/man/${program}.1 ${packagingBuild}/${program}.1.gz)
  list(APPEND manualPages ${packagingBuild}/${program}.1.gz)
endforeach()
plivex_compress(${packagingSource}/changelog ${packagingBuild}/changelog.gz)
add_custom_target(plivex-package-files ALL DEPENDS ${themeImages} ${compressedFiles})

install(TARGETS plivex plivex-console plivex-doctor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packagingSource}/plivex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PLIVEX_APP_ICON_SVG} RENAME plivex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${themeDirectory}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${manualPages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The GNOME Shell extension, in both styles: each shell loads the one written for its version and
# leaves the other aside as made for another version.
foreach(variant legacy modules)
  set(extensionSource ${packagingSource}/gnome-shell-extension/${variant})
  file(READ ${extensionSource}/metadata.json extensionMetadata)
  string(JSON extensionUuid GET "${extensionMetadata}" uuid)
  install(FILES ${extensionSource}/metadata.json ${extensionSource}/extension.js
          DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/${extensionUuid})
endforeach()
install(FILES ${packagingSource}/copyright ${packagingSource}/README.Debian
              ${packagingBuild}/changelog.gz DESTINATION ${docDirectory})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plivex)
set(CPACK_PACKAGE_VENDOR "Plivex authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PLIVEX_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opened with dlopen (to name a Wayland desktop's layouts), so dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libxkbregistry0")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "keyboard layout switching on a lone tap of a trigger key
Plivex switches to the next keyboard layout when one trigger key is tapped
on its own: fn/Globe, Caps Lock or right Command on a Mac keyboard, the Menu
key, Caps Lock or the right Super key on a PC keyboard. A tray icon's menu
shows whether switching works and what to do when it does not.
.
In a Wayland session Plivex reads the keyboards' devices, which needs
membership of the input group (sudo usermod -aG input $USER, then log out
and in); an X11 session needs no group. README.Debian says what the group
allows and where it is not needed.
.
This package holds the plivex program, plivex-console, which runs Plivex on
a model of macOS from a text console, and plivex-doctor, which prints what
Plivex sees on the machine.")
include(CPack)
