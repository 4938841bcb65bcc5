# `cmake --install`: cmhost and stashwell-popup in <prefix>/bin with the popup's desktop entry in
# <prefix>/share/applications, libplatform in <prefix>/lib, the desktop clipboard's
# server in <prefix>/lib/stashwell, and the plug-in bundle in <prefix>/lib/stashwell/Stashwell.plugin,
# where an installed cmhost looks for it first. Each binary finds libplatform relative to itself, so
# the prefix can be anywhere.
set(STASHWELL_INSTALLED_BUNDLE lib/stashwell/Stashwell.plugin)

set_target_properties(cmhost PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
# The bundle's executable sits four folders below lib: stashwell/Stashwell.plugin/Contents/Linux.
set_target_properties(Stashwell PROPERTIES INSTALL_RPATH "$ORIGIN/../../../..")

set_target_properties(stashwell-clipboard-server PROPERTIES INSTALL_RPATH "$ORIGIN/..")

install(TARGETS cmhost RUNTIME DESTINATION bin)
# Beside the bundle, where libplatform looks for it.
install(TARGETS stashwell-clipboard-server RUNTIME DESTINATION lib/stashwell)
install(TARGETS platform LIBRARY DESTINATION lib)
install(TARGETS Stashwell LIBRARY DESTINATION ${STASHWELL_INSTALLED_BUNDLE}/Contents/Linux)
install(FILES ${PROJECT_SOURCE_DIR}/resources/Info.plist DESTINATION ${STASHWELL_INSTALLED_BUNDLE}/Contents)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/English.lproj
        DESTINATION ${STASHWELL_INSTALLED_BUNDLE}/Contents/Resources)

# The popup, where it is built (it needs Qt 6 Widgets), and its desktop entry, which names it by its
# full installed path: the desktop that runs it may not have <prefix>/bin in its PATH.
if(TARGET stashwell-popup)
    set_target_properties(stashwell-popup PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
    install(TARGETS stashwell-popup RUNTIME DESTINATION bin)
    set(POPUP_DESKTOP_ENTRY ${PROJECT_BINARY_DIR}/popup/stashwell-popup.desktop)
    install(CODE "set(POPUP_EXECUTABLE \"\${CMAKE_INSTALL_PREFIX}/bin/stashwell-popup\")
        configure_file(${PROJECT_SOURCE_DIR}/popup/stashwell-popup.desktop.in ${POPUP_DESKTOP_ENTRY} @ONLY)")
    install(FILES ${POPUP_DESKTOP_ENTRY} DESTINATION share/applications)
endif()
