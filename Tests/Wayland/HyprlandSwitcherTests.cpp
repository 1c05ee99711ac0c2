// The Hyprland switcher: reading `j/devices` and event lines, and the switcher against a
// stand-in for Hyprland's two sockets (requests, one per connection, and events); Hyprland's
// keyboard options against the same stand-in.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "KestravaneCore/TriggerKeys.h"
#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/SystemUptimeClock.h"
#include "Platform/Wayland/HyprlandDevices.h"
#include "Platform/Wayland/HyprlandKeyOptions.h"
#include "Platform/Wayland/HyprlandSwitcher.h"
#include "Platform/Wayland/WaylandTriggerKeyActions.h"
#include "Support/LogLines.h"
#include "Support/TemporaryFolder.h"
#include "Support/Waiting.h"

namespace kestravane::platform::wayland {
namespace {

using testing_support::waitUntil;

std::optional<std::string> describe(std::string_view id) {
  static const std::map<std::string, std::string, std::less<>> names{
      {"us", "English (US)"}, {"ru", "Russian"}, {"ru(phonetic)", "Russian (phonetic)"}};
  const auto found = names.find(id);
  return found == names.end() ? std::nullopt : std::optional(found->second);
}

TEST(HyprlandDevices, FollowsTheMainKeyboardAndFindsTheActiveLayout) {
  const std::map<std::string, std::optional<DesktopLayouts>> cases{
      {R"j({"keyboards":[
          {"name":"power","layout":"us,ru,de","variant":"","active_keymap":"English (US)"},
          {"name":"kbd","layout":"us,ru","variant":",phonetic",
           "active_keymap":"Russian (phonetic)","main":true}]})j",
       DesktopLayouts{{{"us", "English (US)"}, {"ru(phonetic)", "Russian (phonetic)"}}, 1}},
      // Without a main one, the one with the most layouts; a layout with no description keeps
      // its XKB name.
      {R"j({"keyboards":[{"layout":"us","active_keymap":"English (US)"},
                         {"layout":"xx,ru","active_keymap":"Russian"}]})j",
       DesktopLayouts{{{"xx", "xx"}, {"ru", "Russian"}}, 1}},
      {R"j({"keyboards":[{"layout":"us,ru","active_layout_index":1,
                          "active_keymap":"English (US)"}]})j",
       DesktopLayouts{{{"us", "English (US)"}, {"ru", "Russian"}}, 1}},
      {R"j({"keyboards":[{"layout":"us,ru","active_keymap":"Klingon"}]})j",
       DesktopLayouts{{{"us", "English (US)"}, {"ru", "Russian"}}, 0}},
      {R"j({"keyboards":[{"layout":"us,ru","active_layout_index":9}]})j",
       DesktopLayouts{{{"us", "English (US)"}, {"ru", "Russian"}}, 0}},
      {R"j({"mice":[],"keyboards":[]})j", DesktopLayouts{}},
      {R"j({"mice":[]})j", std::nullopt},
      {R"j([])j", std::nullopt},
      {"ok", std::nullopt},
  };
  for (const auto& [json, expected] : cases) {
    EXPECT_EQ(parseHyprlandDevices(json, describe), expected) << json;
  }
}

TEST(HyprlandDevices, ReadsEventLines) {
  const std::map<std::string, std::optional<DesktopChange>> lines{
      {"activelayout>>at-translated-set-2-keyboard,Russian", DesktopChange::active},
      {"configreloaded>>", DesktopChange::layouts},
      {"workspace>>2", std::nullopt},
      {"activelayout", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [line, expected] : lines) EXPECT_EQ(parseHyprlandEvent(line), expected) << line;
}

// Hyprland's two sockets, with one main keyboard whose layouts the test sets.
class StandInHyprland {
 public:
  StandInHyprland() {
    char pattern[] = "/tmp/plivex-hypr-XXXXXX";
    folder = ::mkdtemp(pattern);
    requests = listenAt(folder + "/.socket.sock");
    events = listenAt(folder + "/.socket2.sock");
    server = std::thread([this] { serve(); });
  }
  ~StandInHyprland() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stop, &one, sizeof one);
    server.join();
    for (const int descriptor : eventClients) ::close(descriptor);
    for (const int descriptor : {requests, events, stop}) ::close(descriptor);
    std::filesystem::remove_all(folder);
  }

  const std::string& socketFolder() const { return folder; }
  // Loads other layouts, as a reloaded configuration does.
  void setLayouts(std::string newLayouts, std::string newVariants) {
    std::lock_guard lock(mutex);
    layouts = std::move(newLayouts);
    variants = std::move(newVariants);
    active = 0;
    broadcast("configreloaded>>\n");
  }
  std::size_t activeIndex() {
    std::lock_guard lock(mutex);
    return active;
  }
  // input:kb_options as `keyword` last set it.
  std::string keyboardOptions() {
    std::lock_guard lock(mutex);
    return kbOptions;
  }
  std::atomic<bool> silent = false;  // takes requests and never answers

 private:
  static int listenAt(const std::string& path) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socket, 8) != 0) {
      ADD_FAILURE() << "cannot listen at " << path;
    }
    return socket;
  }

  static std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    for (auto comma = text.find(',');; comma = text.find(',', start)) {
      pieces.push_back(text.substr(start, comma - start));
      if (comma == std::string::npos) return pieces;
      start = comma + 1;
    }
  }

  // The layouts' XKB names with their variants; called with the mutex held.
  std::vector<std::string> layoutList() const {
    auto list = split(layouts);
    const auto variantList = split(variants);
    for (std::size_t index = 0; index < list.size() && index < variantList.size(); ++index) {
      if (!variantList[index].empty()) list[index] += "(" + variantList[index] + ")";
    }
    return list;
  }

  // Called with the mutex held.
  void broadcast(const std::string& line) {
    for (const int client : eventClients) {
      [[maybe_unused]] const auto sent = ::send(client, line.data(), line.size(), MSG_NOSIGNAL);
    }
  }

  std::string answer(const std::string& request) {
    std::lock_guard lock(mutex);
    const auto list = layoutList();
    if (request == "j/devices") {
      nlohmann::json keyboard{{"name", "kbd"},
                              {"layout", layouts},
                              {"variant", variants},
                              {"active_keymap", describe(list[active]).value_or(list[active])},
                              {"main", true}};
      nlohmann::json power{{"name", "power"}, {"layout", "us"}, {"variant", ""}, {"main", false}};
      return nlohmann::json{{"mice", nlohmann::json::array()}, {"keyboards", {power, keyboard}}}
          .dump();
    }
    if (request == "j/getoption input:kb_options") {
      return nlohmann::json{{"option", "input:kb_options"}, {"str", kbOptions}, {"set", true}}
          .dump();
    }
    const std::string keyword = "keyword input:kb_options ";
    if (request.starts_with(keyword)) {
      kbOptions = request.substr(keyword.size());
      return "ok";
    }
    const std::string prefix = "switchxkblayout all ";
    if (request.starts_with(prefix)) {
      const auto index = std::stoul(request.substr(prefix.size()));
      if (index >= list.size()) return "error: no such layout";
      active = index;
      broadcast("activelayout>>kbd," + describe(list[active]).value_or(list[active]) + "\n");
      return "ok";
    }
    return "unknown request";
  }

  void serve() {
    std::vector<int> silenced;
    for (;;) {
      pollfd waiting[] = {{stop, POLLIN, 0}, {requests, POLLIN, 0}, {events, POLLIN, 0}};
      ::poll(waiting, 3, -1);
      if (waiting[0].revents != 0) break;
      if (waiting[2].revents != 0) {
        const int client = ::accept4(events, nullptr, nullptr, SOCK_CLOEXEC);
        std::lock_guard lock(mutex);
        if (client >= 0) eventClients.push_back(client);
      }
      if (waiting[1].revents == 0) continue;
      const int client = ::accept4(requests, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      if (silent) {
        silenced.push_back(client);
        continue;
      }
      char buffer[256];
      pollfd readable{client, POLLIN, 0};
      ssize_t count = 0;
      if (::poll(&readable, 1, 1000) > 0) count = ::recv(client, buffer, sizeof buffer, 0);
      if (count > 0) {
        const auto reply = answer(std::string(buffer, static_cast<std::size_t>(count)));
        [[maybe_unused]] const auto sent = ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
      }
      ::close(client);
    }
    for (const int client : silenced) ::close(client);
  }

  std::string folder;
  int requests = -1;
  int events = -1;
  const int stop = ::eventfd(0, EFD_CLOEXEC);
  std::mutex mutex;
  std::string layouts = "us,ru";  // guarded by mutex, as are the two below
  std::string variants = ",phonetic";
  std::size_t active = 0;
  std::string kbOptions = "grp:alt_shift_toggle,compose:menu";
  std::vector<int> eventClients;  // guarded by mutex
  std::thread server;
};

class HyprlandSwitcherTest : public ::testing::Test {
 protected:
  std::unique_ptr<HyprlandSwitcher> makeSwitcher(const std::string& folder) {
    auto switcher = std::make_unique<HyprlandSwitcher>(folder, dispatch.mainQueue(),
                                                       std::chrono::milliseconds(200));
    switcher->setChangeObserver([this](DesktopChange change) { changes.push_back(change); });
    return switcher;
  }
  bool noticed(DesktopChange change) {
    return waitUntil([&] { return std::ranges::find(changes, change) != changes.end(); },
                     testing_support::kDefaultWait, &dispatch);
  }

  host::DispatchQueues dispatch{std::make_shared<host::SystemUptimeClock>()};
  std::vector<DesktopChange> changes;
};

TEST_F(HyprlandSwitcherTest, ListsSelectsAndFollowsTheEvents) {
  auto hyprland = std::make_unique<StandInHyprland>();
  const auto switcher = makeSwitcher(hyprland->socketFolder());
  const auto layouts = switcher->read();
  ASSERT_TRUE(layouts) << switcher->unavailableReason().value_or("");
  // The names come from the system's XKB registry.
  EXPECT_EQ(*layouts,
            (DesktopLayouts{{{"us", "English (US)"}, {"ru(phonetic)", "Russian (phonetic)"}}, 0}));

  EXPECT_TRUE(switcher->select(1));
  EXPECT_EQ(hyprland->activeIndex(), 1u);
  EXPECT_EQ(switcher->read()->active, 1u);
  EXPECT_TRUE(noticed(DesktopChange::active));
  EXPECT_FALSE(switcher->select(2));
  EXPECT_EQ(hyprland->activeIndex(), 1u);

  hyprland->setLayouts("de,fr,ru", "");
  EXPECT_TRUE(noticed(DesktopChange::layouts));
  EXPECT_EQ(switcher->read()->layouts.size(), 3u);
  EXPECT_FALSE(switcher->unavailableReason());

  // Hyprland stops answering, then goes.
  hyprland->silent = true;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(switcher->read());
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  EXPECT_NE(switcher->unavailableReason().value_or("").find("did not answer in time"),
            std::string::npos);
  changes.clear();
  hyprland.reset();
  EXPECT_TRUE(noticed(DesktopChange::availability));
  EXPECT_FALSE(switcher->select(0));
  EXPECT_NE(switcher->unavailableReason().value_or("").find("cannot connect"), std::string::npos)
      << switcher->unavailableReason().value_or("");
}

TEST_F(HyprlandSwitcherTest, SaysWhyWithoutHyprland) {
  const auto none = makeSwitcher("");
  EXPECT_FALSE(none->read());
  EXPECT_NE(none->unavailableReason().value_or("").find("HYPRLAND_INSTANCE_SIGNATURE"),
            std::string::npos);
  const auto missing = makeSwitcher("/nonexistent/hypr/signature");
  EXPECT_FALSE(missing->read());
  EXPECT_FALSE(missing->select(1));
  EXPECT_NE(missing->unavailableReason().value_or("").find("/nonexistent/hypr/signature"),
            std::string::npos);
}

// Right Ctrl's option replaces the user's on the Menu key and goes again; a name that would
// reach Hyprland as more than an option is refused before anything is sent.
TEST(HyprlandKeyOptionsTest, SetsTheMergedOptionsAndTheUsersOwnAgain) {
  StandInHyprland hyprland;
  testing_support::TemporaryFolder folder;
  const auto options =
      std::make_shared<HyprlandKeyOptions>(hyprland.socketFolder(), std::chrono::milliseconds(200));
  const auto log = std::make_shared<testing_support::LogLines>();
  {
    WaylandTriggerKeyActions actions(options, folder.path, log);
    ASSERT_TRUE(actions.withhold(triggerKey(TriggerKind::fn).keyCode))
        << testing::PrintToString(log->lines);
    EXPECT_EQ(hyprland.keyboardOptions(), "grp:alt_shift_toggle,ctrl:menu_rctrl");
    EXPECT_EQ(options->read(), (XkbOptionList{"grp:alt_shift_toggle", "ctrl:menu_rctrl"}));
  }
  EXPECT_EQ(hyprland.keyboardOptions(), "grp:alt_shift_toggle,compose:menu");
  EXPECT_TRUE(log->lines.empty());

  EXPECT_TRUE(options->write({"caps:none\nkeyword", "input:kb_layout de"}));
  EXPECT_EQ(hyprland.keyboardOptions(), "grp:alt_shift_toggle,compose:menu");
  EXPECT_FALSE(
      HyprlandKeyOptions("/nonexistent/hypr/signature", std::chrono::milliseconds(200)).read());
}

}  // namespace
}  // namespace kestravane::platform::wayland
