# The Windows program and its packages: a GUI-subsystem vintrex.exe with its icon and version,
# laid out as Qt's deployment tool lays it out (the Qt DLLs and the MinGW runtime beside the
# program, the plugins it loads in platforms/ and styles/), packed as a ZIP and an NSIS installer.
enable_language(RC)

file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE copyright REGEX "^Copyright \\(c\\) " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright \\(c\\) " "" VINTREX_COPYRIGHT "${copyright}")
set(VINTREX_ICON ${CMAKE_CURRENT_LIST_DIR}/vintrex.ico)
configure_file(${CMAKE_CURRENT_LIST_DIR}/vintrex.rc.in ${CMAKE_BINARY_DIR}/vintrex.rc @ONLY)
target_sources(vintrex PRIVATE ${CMAKE_BINARY_DIR}/vintrex.rc)
set_target_properties(vintrex PROPERTIES WIN32_EXECUTABLE ON)

install(TARGETS vintrex RUNTIME DESTINATION .)
install(FILES README.md DESTINATION .)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
# The compiler's own runtime, which the program and Qt link dynamically.
if(MINGW)
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
            message(FATAL_ERROR "the MinGW runtime ${dll} is not where the compiler says")
        endif()
        file(REAL_PATH "${path}" path)
        install(FILES ${path} DESTINATION .)
    endforeach()
else()
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION .)
    include(InstallRequiredSystemLibraries)
endif()

# The DLLs come as they were built, with their symbols (the MinGW runtime with debugging
# information too): a package strips them as it strips the program.
install(CODE "set(strip \"${CMAKE_STRIP}\")")
install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP AND strip)
        file(GLOB_RECURSE dlls "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/*.dll")
        foreach(dll IN LISTS dlls)
            execute_process(COMMAND ${strip} --strip-unneeded ${dll} COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()
]])

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_FILE_NAME vintrex-${PROJECT_VERSION}-windows-x64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vintrex)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
# The values below reach the installer script exactly as written here.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_EXECUTABLES vintrex Vintrex) # the Start menu entry
set(CPACK_NSIS_PACKAGE_NAME Vintrex)
set(CPACK_NSIS_DISPLAY_NAME "Vintrex ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${VINTREX_ICON})
set(CPACK_NSIS_MUI_UNIICON ${VINTREX_ICON})
set(CPACK_NSIS_INSTALLED_ICON_NAME vintrex.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit installer for a 64-bit program: it writes the 64-bit registry, and runs where only
# 64-bit programs do (Wine without its 32-bit half among them).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
# "Purge with Vintrex" on a folder, and on the background of an open folder, in Explorer: the
# window opens on that folder. The installer runs as administrator, so HKCR writes go to the
# machine's classes, and the uninstaller removes them from there.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [[
  WriteRegStr HKCR "Directory\shell\Vintrex" "" "Purge with Vintrex"
  WriteRegStr HKCR "Directory\shell\Vintrex" "Icon" "$INSTDIR\vintrex.exe"
  WriteRegStr HKCR "Directory\shell\Vintrex\command" "" '"$INSTDIR\vintrex.exe" "%1"'
  WriteRegStr HKCR "Directory\Background\shell\Vintrex" "" "Purge with Vintrex"
  WriteRegStr HKCR "Directory\Background\shell\Vintrex" "Icon" "$INSTDIR\vintrex.exe"
  WriteRegStr HKCR "Directory\Background\shell\Vintrex\command" "" '"$INSTDIR\vintrex.exe" "%V"'
]])
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [[
  DeleteRegKey HKCR "Directory\shell\Vintrex"
  DeleteRegKey HKCR "Directory\Background\shell\Vintrex"
]])
