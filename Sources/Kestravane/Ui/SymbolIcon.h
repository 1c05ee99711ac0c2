// The menu-bar icon for a system symbol name ("keyboard.fill", "keyboard",
// "exclamationmark.triangle.fill"), as a template (mask) image so it follows the menu bar's
// light and dark appearance. Threads: main thread.
#pragma once
#include <QIcon>
#include <string_view>
namespace kestravane {
QIcon symbolIcon(std::string_view symbolName);
}
