#include "Platform/X11/X11Platform.h"

#include <cstdlib>
#include <utility>

#include "Platform/X11/KdeMetaShortcut.h"
#include "Platform/X11/X11Accessibility.h"
#include "Platform/X11/X11EventTaps.h"
#include "Platform/X11/X11HIDSystem.h"
#include "Platform/X11/X11KeymapWatch.h"
#include "Platform/X11/X11Preferences.h"
#include "Platform/X11/X11TextInputSources.h"

namespace kestravane::platform::x11 {
std::unique_ptr<X11Platform> X11Platform::open(X11PlatformOptions options) {
  auto connection = X11Connection::open(options.displayName);
  if (!connection) return nullptr;
  return std::unique_ptr<X11Platform>(new X11Platform(std::move(options), std::move(connection)));
}

X11Platform::X11Platform(X11PlatformOptions options, std::shared_ptr<X11Connection> connection)
    : connection(std::move(connection)), host(options) {
  const std::string display = this->connection->name();
  xinputAvailable = announceXInput(this->connection->display(), options.requiredXInput).has_value();
  const auto stateDirectory =
      options.stateDirectory
          ? options.stateDirectory
          : X11TriggerKeyActions::defaultStateDirectory(
                std::getenv("XDG_RUNTIME_DIR"), std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
  _triggerKeyActions = std::make_shared<X11TriggerKeyActions>(
      this->connection, stateDirectory.value_or(std::filesystem::path()), host.log);

  auto services = std::make_shared<Services>();
  host.fill(*services);
  services->triggerKeyActions = _triggerKeyActions;
  services->pcKeyboard = true;
  const auto keymapWatch = std::make_shared<X11KeymapWatch>(this->connection);
  const auto inputSources = std::make_shared<X11TextInputSources>(this->connection, keymapWatch);
  // A keymap loaded underneath is looked at on the main queue, where the key's action is kept and
  // the program lists the layouts.
  services->eventTaps = std::make_shared<X11EventTaps>(
      X11EventTaps::Options{display, options.requiredXInput, xinputAvailable,
                            [queue = host.dispatch->mainQueue(),
                             keyActions = std::weak_ptr<X11TriggerKeyActions>(_triggerKeyActions),
                             sources = std::weak_ptr<X11TextInputSources>(inputSources)] {
                              // The program first: it may stop switching (one layout left, a
                              // trigger conflict), and then the key keeps what the new keymap gave
                              // it rather than losing it for a moment.
                              queue->async([keyActions, sources] {
                                if (auto changed = sources.lock()) changed->keymapChanged();
                                if (auto actions = keyActions.lock()) actions->keymapChanged();
                              });
                            }});
  services->inputSources = inputSources;
  services->accessibility = std::make_shared<X11Accessibility>(xinputAvailable);
  services->hidSystem = std::make_shared<X11HIDSystem>(this->connection);
  services->preferences = std::make_shared<X11Preferences>(
      keymapWatch, host.session.currentDesktop,
      options.kwinrc ? options.kwinrc
                     : kwinrcFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
  _services = std::move(services);
}

X11Platform::~X11Platform() = default;

std::shared_ptr<const Services> makeX11Services(X11PlatformOptions options) {
  std::shared_ptr<X11Platform> platform = X11Platform::open(std::move(options));
  if (!platform) return nullptr;
  const Services* services = platform->services().get();
  return std::shared_ptr<const Services>(std::move(platform), services);
}

}  // namespace kestravane::platform::x11
