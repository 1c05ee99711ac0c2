#include "Platform/Wayland/SessionSwitcher.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/Wayland/DBusLayoutsSwitcher.h"
#include "Platform/Wayland/GnomeKeyOptions.h"
#include "Platform/Wayland/HyprlandKeyOptions.h"
#include "Platform/Wayland/HyprlandSwitcher.h"
#include "Platform/Wayland/KdeKeyOptions.h"
#include "Platform/Wayland/SwayKeyOptions.h"
#include "Platform/Wayland/SwaySwitcher.h"

namespace kestravane::platform::wayland {
namespace {

// A desktop Plivex has no way to switch.
class UnswitchableDesktop final : public DesktopSwitcher {
 public:
  explicit UnswitchableDesktop(std::string name) : name(std::move(name)) {}
  std::string desktopName() const override { return name; }
  std::optional<std::string> unavailableReason() const override {
    return name + " offers Plivex no way to switch the keyboard layout";
  }
  std::optional<DesktopLayouts> read() override { return std::nullopt; }
  bool select(std::size_t) override { return false; }
  void setChangeObserver(std::function<void(DesktopChange)>) override {}

 private:
  const std::string name;
};

using Desktop = WaylandDesktop;

std::string lowercase(std::string text) {
  std::ranges::transform(text, text.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The first of $XDG_CURRENT_DESKTOP's colon-separated names that Plivex knows.
Desktop namedDesktop(const std::string& currentDesktop) {
  std::string::size_type start = 0;
  for (;;) {
    const auto colon = currentDesktop.find(':', start);
    const auto name = lowercase(currentDesktop.substr(start, colon - start));
    if (name == "kde") return Desktop::kde;
    if (name == "gnome") return Desktop::gnome;
    if (name == "hyprland") return Desktop::hyprland;
    if (name == "sway") return Desktop::sway;
    if (colon == std::string::npos) return Desktop::other;
    start = colon + 1;
  }
}

bool isFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Under $XDG_RUNTIME_DIR/hypr, or /tmp/hypr where Hyprland before 0.40 made it.
std::string hyprlandFolder(const EnvironmentLookup& environment) {
  const auto signature = environment("HYPRLAND_INSTANCE_SIGNATURE");
  if (!signature || signature->empty()) return {};
  if (const auto runtime = environment("XDG_RUNTIME_DIR")) {
    const auto folder = *runtime + "/hypr/" + *signature;
    if (isFolder(folder)) return folder;
  }
  return "/tmp/hypr/" + *signature;
}

}  // namespace

std::optional<std::string> processEnvironment(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr) return std::nullopt;
  return value;
}

WaylandDesktop desktopOfSession(const EnvironmentLookup& environment) {
  const auto desktop = namedDesktop(environment("XDG_CURRENT_DESKTOP").value_or(""));
  if (desktop != Desktop::other) return desktop;
  if (environment("HYPRLAND_INSTANCE_SIGNATURE")) return Desktop::hyprland;
  if (environment("SWAYSOCK")) return Desktop::sway;
  return Desktop::other;
}

bool drawsWindowFrames(WaylandDesktop desktop) {
  return desktop == Desktop::sway || desktop == Desktop::kde;
}

std::unique_ptr<DesktopSwitcher> switcherForSession(std::shared_ptr<DispatchQueue> mainQueue,
                                                    const EnvironmentLookup& environment) {
  const auto currentDesktop = environment("XDG_CURRENT_DESKTOP").value_or("");
  switch (desktopOfSession(environment)) {
    case Desktop::kde:
      return std::make_unique<KdeSwitcher>(std::move(mainQueue));
    case Desktop::gnome:
      return std::make_unique<GnomeSwitcher>(std::move(mainQueue));
    case Desktop::hyprland:
      return std::make_unique<HyprlandSwitcher>(hyprlandFolder(environment), std::move(mainQueue));
    case Desktop::sway:
      return std::make_unique<SwaySwitcher>(environment("SWAYSOCK").value_or(""),
                                            std::move(mainQueue));
    case Desktop::other:
      break;
  }
  return std::make_unique<UnswitchableDesktop>(currentDesktop.empty() ? "This desktop"
                                                                      : currentDesktop);
}

std::shared_ptr<DesktopKeyOptions> keyOptionsForSession(const DesktopSwitcher& switcher,
                                                        const EnvironmentLookup& environment) {
  if (dynamic_cast<const GnomeSwitcher*>(&switcher) != nullptr) return GnomeKeyOptions::open();
  if (const auto* sway = dynamic_cast<const SwaySwitcher*>(&switcher)) {
    return std::make_shared<SwayKeyOptions>(sway->socketPath());
  }
  if (const auto* hyprland = dynamic_cast<const HyprlandSwitcher*>(&switcher)) {
    return std::make_shared<HyprlandKeyOptions>(hyprland->socketFolder(),
                                                HyprlandSwitcher::kDefaultTimeout);
  }
  if (dynamic_cast<const KdeSwitcher*>(&switcher) != nullptr) {
    const auto configHome = environment("XDG_CONFIG_HOME");
    const auto home = environment("HOME");
    const auto folder = desktop::xdgConfigHome(configHome ? configHome->c_str() : nullptr,
                                               home ? home->c_str() : nullptr);
    if (folder) return std::make_shared<KdeKeyOptions>(*folder / "kxkbrc");
  }
  return nullptr;
}

}  // namespace kestravane::platform::wayland
