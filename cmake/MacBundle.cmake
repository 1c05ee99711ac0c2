# The macOS application bundle: Plivex.app with its Info.plist, the doctor beside the program,
# Qt deployed into it when installing, code signing, and a drag-and-drop disk image (CPack).
# The Info.plist is generated on every platform (plivex_write_info_plist), so a test can check it.
#
# Cache variables:
#   PLIVEX_BUNDLE_IDENTIFIER   the bundle identifier, "com.plivex.Plivex"
#   PLIVEX_CODESIGN_IDENTITY   the signing identity; "-" (the default) signs ad hoc. Give the name
#                              of a certificate in your keychain ("Apple Development: ...",
#                              "Developer ID Application: ...", or a self-signed code-signing
#                              certificate) to sign with it; see docs/macos.md.
#   PLIVEX_COPYRIGHT           the NSHumanReadableCopyright text
#   PLIVEX_BUNDLED_MINIMUM_MACOS  the oldest macOS the libraries deployed into the bundle run on
#                              (Homebrew's Qt is built for the Mac that built it, not for
#                              CMAKE_OSX_DEPLOYMENT_TARGET); LSMinimumSystemVersion is the later of
#                              the two. Empty: only the deployment target counts.
include_guard(GLOBAL)

set(PLIVEX_BUNDLE_IDENTIFIER "com.plivex.Plivex" CACHE STRING "Bundle identifier of Plivex.app")
set(PLIVEX_CODESIGN_IDENTITY "-" CACHE STRING
    "Code-signing identity for Plivex.app: '-' signs ad hoc, or a certificate's name")
set(PLIVEX_COPYRIGHT "Copyright © 2026 The Plivex authors. All rights reserved." CACHE STRING
    "NSHumanReadableCopyright of Plivex.app")
set(PLIVEX_BUNDLED_MINIMUM_MACOS "" CACHE STRING
    "Oldest macOS the libraries deployed into Plivex.app run on (e.g. QtCore's minos)")
set(PLIVEX_BUNDLE_NAME "Plivex")
set(PLIVEX_BUNDLE_EXECUTABLE "Plivex")
# The icon in Contents/Resources, made at build time from Sources/AppIcon/Plivex.svg.
set(PLIVEX_BUNDLE_ICON_FILE "Plivex.icns")
set(PLIVEX_INFO_PLIST_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/Info.plist.in)

# Writes the bundle's Info.plist to `output`.
function(plivex_write_info_plist output)
  set(PLIVEX_BUNDLE_SHORT_VERSION "${PROJECT_VERSION}")
  set(PLIVEX_BUNDLE_VERSION "${PROJECT_VERSION}")
  set(PLIVEX_MINIMUM_MACOS "${CMAKE_OSX_DEPLOYMENT_TARGET}")
  if(NOT PLIVEX_MINIMUM_MACOS)
    message(FATAL_ERROR "CMAKE_OSX_DEPLOYMENT_TARGET must name the oldest macOS supported")
  endif()
  if(PLIVEX_BUNDLED_MINIMUM_MACOS)
    if(NOT PLIVEX_BUNDLED_MINIMUM_MACOS MATCHES "^[0-9]+(\\.[0-9]+)*$")
      message(FATAL_ERROR "PLIVEX_BUNDLED_MINIMUM_MACOS='${PLIVEX_BUNDLED_MINIMUM_MACOS}' is not "
                          "a macOS version such as 14.0")
    endif()
    # A bundle that says it runs where its Qt does not would fail to launch there.
    if(PLIVEX_BUNDLED_MINIMUM_MACOS VERSION_GREATER PLIVEX_MINIMUM_MACOS)
      set(PLIVEX_MINIMUM_MACOS "${PLIVEX_BUNDLED_MINIMUM_MACOS}")
    endif()
  endif()
  configure_file(${PLIVEX_INFO_PLIST_TEMPLATE} ${output} @ONLY)
endfunction()

# The icon: the drawing rendered into an iconset, made an .icns by iconutil, put in Resources.
function(plivex_add_bundle_icon target)
  find_program(PLIVEX_ICONUTIL iconutil REQUIRED)
  set(iconset ${CMAKE_CURRENT_BINARY_DIR}/Plivex.iconset)
  set(icns ${CMAKE_CURRENT_BINARY_DIR}/${PLIVEX_BUNDLE_ICON_FILE})
  add_custom_command(OUTPUT ${icns}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${iconset}
    COMMAND plivex-icon-render ${PLIVEX_APP_ICON_SVG} ${iconset}
    COMMAND ${PLIVEX_ICONUTIL} --convert icns --output ${icns} ${iconset}
    DEPENDS plivex-icon-render ${PLIVEX_APP_ICON_SVG}
    COMMENT "Making ${PLIVEX_BUNDLE_ICON_FILE}"
    VERBATIM)
  target_sources(${target} PRIVATE ${icns})
  set_source_files_properties(${icns} PROPERTIES MACOSX_PACKAGE_LOCATION Resources)
endfunction()

# Fails the configuration when the library of `importedTarget` lacks one of the architectures
# CMAKE_OSX_ARCHITECTURES asks for (universal by default): Homebrew's bottles hold one, and
# linking the other would fail late, on the library's symbols.
function(plivex_check_architectures importedTarget)
  find_program(PLIVEX_LIPO lipo)
  get_target_property(library ${importedTarget} LOCATION)
  if(NOT PLIVEX_LIPO OR NOT library)
    return()
  endif()
  execute_process(COMMAND ${PLIVEX_LIPO} -archs ${library} OUTPUT_VARIABLE archs
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  if(failed)
    return()
  endif()
  separate_arguments(archs UNIX_COMMAND "${archs}")
  foreach(arch IN LISTS CMAKE_OSX_ARCHITECTURES)
    if(NOT arch IN_LIST archs)
      message(FATAL_ERROR "${library} holds ${archs}, not ${arch}, which CMAKE_OSX_ARCHITECTURES "
              "(${CMAKE_OSX_ARCHITECTURES}) asks for. For a universal Plivex.app use universal "
              "libraries (Qt's own installer); for this Mac alone configure with "
              "-DCMAKE_OSX_ARCHITECTURES=$(uname -m).")
    endif()
  endforeach()
endfunction()

# Makes `target` (an executable) the bundle Plivex.app: in the build tree, signed and with the
# doctor inside, ready to run from there; when installed (and in the disk image), with Qt
# deployed into it and signed again.
function(plivex_make_bundle target)
  find_program(PLIVEX_CODESIGN codesign REQUIRED)
  set(plist ${CMAKE_CURRENT_BINARY_DIR}/${target}-Info.plist)
  plivex_write_info_plist(${plist})
  plivex_add_bundle_icon(${target})
  set_target_properties(${target} PROPERTIES
    MACOSX_BUNDLE TRUE
    OUTPUT_NAME ${PLIVEX_BUNDLE_EXECUTABLE}
    MACOSX_BUNDLE_INFO_PLIST ${plist})

  set(sign ${PLIVEX_CODESIGN} --force --sign "${PLIVEX_CODESIGN_IDENTITY}")
  set(contents $<TARGET_BUNDLE_CONTENT_DIR:${target}>)
  add_dependencies(${target} plivex-doctor)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:plivex-doctor> ${contents}/MacOS/plivex-doctor
    COMMAND ${sign} ${contents}/MacOS/plivex-doctor
    COMMAND ${sign} --deep $<TARGET_BUNDLE_DIR:${target}>
    COMMENT "Signing ${PLIVEX_BUNDLE_NAME}.app (identity '${PLIVEX_CODESIGN_IDENTITY}')"
    VERBATIM)

  install(TARGETS ${target} BUNDLE DESTINATION .)
  install(TARGETS plivex-doctor RUNTIME DESTINATION ${PLIVEX_BUNDLE_NAME}.app/Contents/MacOS)
  # Qt's frameworks and plugins into the installed bundle (macdeployqt through Qt's script).
  qt_generate_deploy_app_script(TARGET ${target} OUTPUT_SCRIPT deployScript
                                NO_UNSUPPORTED_PLATFORM_ERROR)
  install(SCRIPT ${deployScript})
  # Deployment rewrites the binaries, so the installed bundle is signed last, inside out.
  install(CODE "
    set(app \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${PLIVEX_BUNDLE_NAME}.app\")
    execute_process(COMMAND \"${PLIVEX_CODESIGN}\" --force --sign \"${PLIVEX_CODESIGN_IDENTITY}\"
                            \"\${app}/Contents/MacOS/plivex-doctor\" COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND \"${PLIVEX_CODESIGN}\" --force --deep
                            --sign \"${PLIVEX_CODESIGN_IDENTITY}\" \"\${app}\"
                    COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND \"${PLIVEX_CODESIGN}\" --verify --deep --strict \"\${app}\"
                    COMMAND_ERROR_IS_FATAL ANY)
  ")
endfunction()

if(APPLE)
  # `cpack` (or `cmake --build . --target package`) makes Plivex-<version>.dmg: the installed,
  # signed bundle beside a link to /Applications.
  set(CPACK_GENERATOR "DragNDrop")
  set(CPACK_PACKAGE_NAME "${PLIVEX_BUNDLE_NAME}")
  set(CPACK_PACKAGE_VENDOR "The Plivex authors")
  set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
  set(CPACK_PACKAGE_FILE_NAME "${PLIVEX_BUNDLE_NAME}-${PROJECT_VERSION}")
  set(CPACK_DMG_VOLUME_NAME "${PLIVEX_BUNDLE_NAME}")
  set(CPACK_DMG_FORMAT "UDZO")
  include(CPack)
endif()
