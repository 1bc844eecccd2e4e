# Installing the Windows program and its installer (CPack's NSIS generator, Debian's nsis).
#
# Installed, Tobble is one folder, as in the zip: tobble.exe with the bundled character beside
# it, for the program reads its character beside its own executable. The installer puts that
# folder in Program Files (the 32-bit one for the 32-bit program), adds a Start-menu shortcut and
# an entry in Add/Remove Programs; its uninstaller removes all of them.

file(GLOB TOBBLE_WINDOWS_CHARACTER CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/character/config.ini
  ${PROJECT_SOURCE_DIR}/character/picture.jpg
  ${PROJECT_SOURCE_DIR}/character/*.wav)
install(TARGETS tobble RUNTIME DESTINATION .)
install(FILES ${TOBBLE_WINDOWS_CHARACTER} DESTINATION .)
# The licence goes with every copy, under a name Windows opens with a double-click.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Tobble)
set(CPACK_PACKAGE_VENDOR "The Tobble developers")
# As the program's own version record shows it.
set(CPACK_PACKAGE_VERSION 1.00)
set(TOBBLE_SETUP_NAME tobble-${PROJECT_VERSION}-setup)
set(CPACK_PACKAGE_FILE_NAME ${TOBBLE_SETUP_NAME})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "talking cartoon character that stays above other windows")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tobble)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Tobble)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
set(CPACK_NSIS_DISPLAY_NAME Tobble)
set(CPACK_NSIS_PACKAGE_NAME Tobble)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/tobble.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/tobble.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME tobble.exe)
set(CPACK_NSIS_MENU_LINKS tobble.exe Tobble)
set(CPACK_NSIS_MUI_FINISHPAGE_RUN tobble.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_STRIP_FILES OFF) # tobble.exe is linked stripped
if(EXISTS ${PROJECT_SOURCE_DIR}/LICENSE)
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
else()
  set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON) # CPack's default would show CMake's own licence
endif()

# Add/Remove Programs shows the size it is told, in KB: that of the installed folder.
set(uninstall_key "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Tobble")
set(CPACK_NSIS_DEFINES "!include FileFunc.nsh")
# A .tobble file is a Tobble character, opened with tobble.exe and shown with its icon; the shell
# is told that file types changed, so that Explorer shows them at once.
set(type_key "Software\\\\Classes\\\\.tobble")
set(progid_key "Software\\\\Classes\\\\Tobble.Character")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  !insertmacro GetSizeCall \\\"$INSTDIR\\\" \\\"/S=0K\\\" $0 $1 $2
  IntFmt $0 \\\"0x%08X\\\" $0
  WriteRegDWORD SHCTX \\\"${uninstall_key}\\\" \\\"EstimatedSize\\\" \\\"$0\\\"
  WriteRegStr SHCTX \\\"${type_key}\\\" \\\"\\\" \\\"Tobble.Character\\\"
  WriteRegStr SHCTX \\\"${progid_key}\\\" \\\"\\\" \\\"Tobble character\\\"
  WriteRegStr SHCTX \\\"${progid_key}\\\\DefaultIcon\\\" \\\"\\\" \\\"$INSTDIR\\\\tobble.exe,0\\\"
  WriteRegStr SHCTX \\\"${progid_key}\\\\shell\\\\open\\\\command\\\" \\\"\\\" '\\\"$INSTDIR\\\\tobble.exe\\\" \\\"%1\\\"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'")
# The uninstaller removes the installer's own key, but not the publisher's key above it.
set(vendor_key "Software\\\\${CPACK_PACKAGE_VENDOR}")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  DeleteRegKey SHCTX \\\"${vendor_key}\\\\Tobble\\\"
  DeleteRegKey /ifempty SHCTX \\\"${vendor_key}\\\"
  DeleteRegKey SHCTX \\\"${type_key}\\\"
  DeleteRegKey SHCTX \\\"${progid_key}\\\"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'")

# cpack builds "preinstall" first, and the build makes the installer: that target must not
# build everything again. The installer's own target depends on what it installs instead.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
include(CPack)

# tobble-1.0-setup.exe, built with the 32-bit program (the one people get; the 64-bit build only
# runs the tests where no 32-bit code runs) where makensis is installed.
find_program(TOBBLE_MAKENSIS makensis)
if(TOBBLE_MAKENSIS AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(setup ${CMAKE_BINARY_DIR}/${TOBBLE_SETUP_NAME}.exe)
  add_custom_command(OUTPUT ${setup}
    COMMAND ${CMAKE_CPACK_COMMAND} -G NSIS --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS tobble ${TOBBLE_WINDOWS_CHARACTER} ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Making ${TOBBLE_SETUP_NAME}.exe")
  add_custom_target(tobble-setup ALL DEPENDS ${setup})
elseif(NOT TOBBLE_MAKENSIS)
  message(STATUS "makensis is not installed: no Windows installer (scripts/setup.sh --windows)")
endif()
