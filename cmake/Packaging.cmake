# Installation and packages, from the one project version:
#   Linux    cmake --install: bin/ferncard, desktop entry, hicolor icons, the .fcard mime type,
#            AppStream metainfo, manual page; cpack: ferncard_<version>_amd64.deb
#   Windows  ferncard.exe with its version resource; cpack: a per-user NSIS installer and a .zip
set(FERNCARD_APP_ID com.calderwin.Ferncard)
set(FERNCARD_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

# The version that /api/status reports.
target_compile_definitions(ferncard_api PRIVATE FERNCARD_VERSION="${PROJECT_VERSION}")

# The fern icon at every size the launchers and the installer ask for, drawn by the icon script.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(FERNCARD_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(_ferncard_icon_files ${FERNCARD_ICON_DIR}/ferncard.ico ${FERNCARD_ICON_DIR}/hicolor/scalable/apps/ferncard.svg)
foreach(_size 16 24 32 48 64 128 256 512)
  list(APPEND _ferncard_icon_files ${FERNCARD_ICON_DIR}/hicolor/${_size}x${_size}/apps/ferncard.png)
endforeach()
add_custom_command(OUTPUT ${_ferncard_icon_files}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/draw-favicon.py --icons ${FERNCARD_ICON_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/draw-favicon.py
  COMMENT "Drawing the fern icons"
  VERBATIM)
add_custom_target(ferncard_icons ALL DEPENDS ${_ferncard_icon_files})

set(CPACK_PACKAGE_NAME Ferncard)
set(CPACK_PACKAGE_VENDOR Calderwin)
set(CPACK_PACKAGE_CONTACT "Calderwin <ferncard@calderwin.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "notes in a tree of formatted pages, kept in one file")
set(CPACK_PACKAGE_DESCRIPTION "Ferncard keeps notes as formatted pages with images, arranged in a tree
with a trash, all in one document file (.fcard). It runs as a small local
server and shows its window in the web browser.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# Each generator names its own file (the installer ends in -setup).
configure_file(${FERNCARD_PACKAGING_DIR}/CPackOptions.cmake.in ${CMAKE_BINARY_DIR}/CPackOptions.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackOptions.cmake)

if(WIN32)
  configure_file(${FERNCARD_PACKAGING_DIR}/windows/version.rc.in ${CMAKE_BINARY_DIR}/generated/version.rc @ONLY)
  target_sources(ferncard PRIVATE ${CMAKE_BINARY_DIR}/generated/version.rc)

  install(TARGETS ferncard RUNTIME DESTINATION .)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)

  set(CPACK_GENERATOR NSIS ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_NSIS_MUI_ICON ${FERNCARD_ICON_DIR}/ferncard.ico)
  set(CPACK_NSIS_MUI_UNIICON ${FERNCARD_ICON_DIR}/ferncard.ico)
  # Our own installer script (NSIS.template.in): per-user, no administrator rights.
  list(PREPEND CMAKE_MODULE_PATH ${FERNCARD_PACKAGING_DIR}/windows)
else()
  include(GNUInstallDirs)
  set(_linux ${FERNCARD_PACKAGING_DIR}/linux)
  install(TARGETS ferncard RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${_linux}/${FERNCARD_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_linux}/ferncard.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  configure_file(${_linux}/${FERNCARD_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/${FERNCARD_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/${FERNCARD_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY ${FERNCARD_ICON_DIR}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

  # The manual page, and Debian's documentation folder: the copyright file and a changelog; both
  # compressed as Debian's policy asks.
  configure_file(${_linux}/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
  foreach(_file ${CMAKE_BINARY_DIR}/changelog ${_linux}/ferncard.1)
    get_filename_component(_name ${_file} NAME)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${_name}.gz
      COMMAND gzip -9nc ${_file} > ${CMAKE_BINARY_DIR}/${_name}.gz
      DEPENDS ${_file}
      COMMENT "Compressing ${_name}")
    list(APPEND _ferncard_compressed ${CMAKE_BINARY_DIR}/${_name}.gz)
  endforeach()
  add_custom_target(ferncard_compressed_docs ALL DEPENDS ${_ferncard_compressed})
  install(FILES ${CMAKE_BINARY_DIR}/ferncard.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${_linux}/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ferncard)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION editors)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # What the program uses when present: the browser it opens (through xdg-open), the file
  # picker and message boxes (zenity), the tray icon's library (loaded at run time), and fonts
  # for the window's Japanese text and the trash's symbol, which a bare system shows as boxes.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, chromium | www-browser, zenity, libayatana-appindicator3-1, fonts-noto-cjk | fonts-ipafont-gothic, fonts-noto-color-emoji")
  # No maintainer scripts: dpkg's triggers of desktop-file-utils, shared-mime-info and the icon
  # theme refresh the desktop, mime and icon caches when our files arrive or go.
endif()

include(CPack)
