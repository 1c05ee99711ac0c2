# The Apple frameworks the macOS code uses. On a Mac they are the backend's link line; elsewhere
# the check against Apple's SDK (Tests/MacOSSDK) looks up every framework symbol the macOS objects
# need in these frameworks' .tbd link stubs, so a call into a framework missing here fails there.
include_guard(GLOBAL)
set(PLIVEX_MACOS_FRAMEWORKS
    CoreFoundation CoreGraphics ApplicationServices Carbon IOKit Foundation AppKit
    ServiceManagement)
