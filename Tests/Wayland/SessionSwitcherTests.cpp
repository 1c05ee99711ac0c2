// Which switcher a session gets, by its environment.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/ManualClock.h"
#include "Platform/Wayland/SessionSwitcher.h"

namespace kestravane::platform::wayland {
namespace {

TEST(SessionSwitcher, FollowsTheNamedDesktopThenTheCompositorsSockets) {
  const auto runtime =
      std::filesystem::temp_directory_path() / ("plivex-session-" + std::to_string(::getpid()));
  std::filesystem::create_directories(runtime / "hypr" / "abc");
  using Environment = std::map<std::string, std::string, std::less<>>;
  struct Case {
    Environment environment;
    std::string desktop;
    std::string reasonMentions;  // empty: whatever the machine's session bus says
  };
  const std::vector<Case> cases{
      {{{"XDG_CURRENT_DESKTOP", "KDE"}, {"SWAYSOCK", "/left/over.sock"}}, "KDE Plasma", ""},
      {{{"XDG_CURRENT_DESKTOP", "sway"}, {"SWAYSOCK", "/nonexistent/s.sock"}},
       "Sway",
       "/nonexistent/s.sock"},
      {{{"SWAYSOCK", "/nonexistent/s.sock"}}, "Sway", "/nonexistent/s.sock"},
      {{{"XDG_CURRENT_DESKTOP", "sway"}}, "Sway", "SWAYSOCK is not set"},
      {{{"XDG_CURRENT_DESKTOP", "Hyprland"},
        {"HYPRLAND_INSTANCE_SIGNATURE", "abc"},
        {"XDG_RUNTIME_DIR", runtime.string()}},
       "Hyprland",
       (runtime / "hypr" / "abc").string()},
      {{{"HYPRLAND_INSTANCE_SIGNATURE", "abc"}, {"XDG_RUNTIME_DIR", "/nonexistent"}},
       "Hyprland",
       "/tmp/hypr/abc"},
      {{{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}, "GNOME", ""},
      {{{"XDG_CURRENT_DESKTOP", "XFCE"}}, "XFCE", "XFCE offers"},
      {{}, "This desktop", "no way to switch"},
  };
  host::DispatchQueues dispatch{std::make_shared<host::ManualClock>()};
  for (const auto& testCase : cases) {
    const auto lookup = [&](std::string_view name) -> std::optional<std::string> {
      const auto found = testCase.environment.find(name);
      if (found == testCase.environment.end()) return std::nullopt;
      return found->second;
    };
    const auto switcher = switcherForSession(dispatch.mainQueue(), lookup);
    EXPECT_EQ(switcher->desktopName(), testCase.desktop) << testCase.desktop;
    if (testCase.reasonMentions.empty()) continue;
    EXPECT_FALSE(switcher->read());
    EXPECT_FALSE(switcher->select(0));
    EXPECT_NE(switcher->unavailableReason().value_or("").find(testCase.reasonMentions),
              std::string::npos)
        << switcher->unavailableReason().value_or("(none)");
  }
  std::filesystem::remove_all(runtime);
}

}  // namespace
}  // namespace kestravane::platform::wayland
