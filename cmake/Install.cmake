# `cmake --install`: cmhost in <prefix>/bin, libplatform in <prefix>/lib, the desktop clipboard's
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
