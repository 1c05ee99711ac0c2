// The pieces of the Sway switcher that need no Sway: the i3-IPC framing, reading Sway's JSON,
// the layouts' identifiers, and a switcher facing a socket that is missing, closes at once,
// never answers or answers something else.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/ManualClock.h"
#include "Platform/Wayland/I3IpcSocket.h"
#include "Platform/Wayland/SwayInputs.h"
#include "Platform/Wayland/SwaySwitcher.h"
#include "Platform/Wayland/WaylandTextInputSources.h"

namespace kestravane::platform::wayland {
namespace {

TEST(I3IpcFraming, TakesWholeMessagesAndRefusesWhatIsNotOne) {
  const std::string first = encodeI3IpcMessage(i3ipc::kGetInputs, "[]");
  const std::string second = encodeI3IpcMessage(i3ipc::kInputEvent, R"j({"change":"added"})j");
  ASSERT_EQ(first.size(), 14u + 2u);

  // Byte by byte: nothing until a message is whole, then exactly it.
  std::string buffer;
  std::vector<I3IpcMessage> taken;
  bool corrupt = false;
  for (const char byte : first + second) {
    buffer += byte;
    while (auto message = takeI3IpcMessage(buffer, corrupt)) taken.push_back(*message);
    ASSERT_FALSE(corrupt);
  }
  EXPECT_EQ(taken, (std::vector<I3IpcMessage>{{i3ipc::kGetInputs, "[]"},
                                              {i3ipc::kInputEvent, R"j({"change":"added"})j"}}));
  EXPECT_TRUE(buffer.empty());

  std::string oversized = "i3-ipc";
  const std::uint32_t huge = i3ipc::kMaximumPayload + 1;
  const std::uint32_t type = 0;
  oversized.append(reinterpret_cast<const char*>(&huge), 4);
  oversized.append(reinterpret_cast<const char*>(&type), 4);
  for (std::string bad : {std::string("HTTP/1.1 200 OK\r\n"), std::string("i3-x"), oversized}) {
    EXPECT_FALSE(takeI3IpcMessage(bad, corrupt));
    EXPECT_TRUE(corrupt) << bad;
  }
}

TEST(SwayInputs, FollowsTheKeyboardWithTheMostLayouts) {
  const std::map<std::string, std::optional<DesktopLayouts>> cases{
      {R"j([{"type":"pointer","xkb_layout_names":["x","y","z"]},
           {"type":"keyboard","name":"power","xkb_layout_names":["English (US)"],
            "xkb_active_layout_index":0},
           {"type":"keyboard","xkb_layout_names":["English (US)","Russian"],
            "xkb_active_layout_index":1},
           {"type":"keyboard","xkb_layout_names":["German","French"],"xkb_active_layout_index":0}])j",
       DesktopLayouts{{{"", "English (US)"}, {"", "Russian"}}, 1}},
      // An index Sway should never give is taken as the first layout.
      {R"j([{"type":"keyboard","xkb_layout_names":["A","B"],"xkb_active_layout_index":7}])j",
       DesktopLayouts{{{"", "A"}, {"", "B"}}, 0}},
      {R"j([{"type":"keyboard","xkb_layout_names":["A","B"],"xkb_active_layout_index":-1}])j",
       DesktopLayouts{{{"", "A"}, {"", "B"}}, 0}},
      {R"j([{"type":"touch"}])j", DesktopLayouts{}},
      {"[]", DesktopLayouts{}},
      {R"j({"type":"keyboard"})j", std::nullopt},
      {"[{", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [json, expected] : cases) EXPECT_EQ(parseSwayInputs(json), expected) << json;
}

TEST(SwayInputs, ReadsEventsAndReplies) {
  const std::map<std::string, std::optional<DesktopChange>> events{
      {R"j({"change":"xkb_layout","input":{}})j", DesktopChange::active},
      {R"j({"change":"xkb_keymap","input":{}})j", DesktopChange::layouts},
      {R"j({"change":"added","input":{}})j", DesktopChange::layouts},
      {R"j({"change":"removed","input":{}})j", DesktopChange::layouts},
      {R"j({"change":"libinput_config","input":{}})j", std::nullopt},
      {R"j(["xkb_layout"])j", std::nullopt},
      {"not json", std::nullopt},
  };
  for (const auto& [json, expected] : events) EXPECT_EQ(parseSwayInputEvent(json), expected);

  const std::map<std::string, bool> replies{
      {R"j({"success":true})j", true},
      {R"j([{"success":true},{"success":true}])j", true},
      {R"j([{"success":true},{"success":false,"error":"Invalid"}])j", false},
      {R"j([{"success":"true"}])j", false},
      {"[]", false},
      {"", false},
  };
  for (const auto& [json, expected] : replies) EXPECT_EQ(swayReplySucceeded(json), expected);
}

TEST(WaylandSourceIdentifiers, PreferTheDesktopsThenTheRegistryThenTheName) {
  const auto registry = [](std::string_view name) -> std::optional<std::string> {
    if (name == "English (US)") return "us";
    if (name == "Russian") return "ru";
    return std::nullopt;
  };
  EXPECT_EQ(sourceIdentifiers({{"", "English (US)"},
                               {"de(nodeadkeys)", "German"},
                               {"", "Klingon"},
                               {"", ""},
                               {"", "English (US)"},
                               {"ru", "Russian"},
                               {"", "Russian"}},
                              registry),
            (std::vector<std::string>{"us", "de(nodeadkeys)", "Klingon", "group4", "us#5", "ru",
                                      "ru#7"}));
  // The system's own registry knows the names an XKB keymap gives its groups.
  XkbLayoutRegistry system;
  EXPECT_EQ(system.idFor("English (US)"), "us");
  EXPECT_EQ(system.idFor("Russian"), "ru");
  EXPECT_EQ(system.idFor("Russian (phonetic)"), "ru(phonetic)");
  EXPECT_EQ(system.idFor("No such layout"), std::nullopt);
}

// A socket that stands in for Sway's and behaves badly in one way.
class StandInSocket {
 public:
  enum class Behaviour { closesAtOnce, neverAnswers, answersGarbage };

  explicit StandInSocket(Behaviour behaviour)
      : path(std::filesystem::temp_directory_path() /
             ("plivex-standin-" + std::to_string(::getpid()) + ".sock")) {
    std::filesystem::remove(path);
    listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 8) != 0) {
      ADD_FAILURE() << "cannot listen at " << path;
    }
    server = std::thread([this, behaviour] { serve(behaviour); });
  }
  ~StandInSocket() {
    stopping = true;
    server.join();
    for (const int connection : connections) ::close(connection);
    ::close(listener);
    std::filesystem::remove(path);
  }
  std::string socketPath() const { return path.string(); }

 private:
  void serve(Behaviour behaviour) {
    while (!stopping) {
      pollfd waiting{listener, POLLIN, 0};
      if (::poll(&waiting, 1, 10) <= 0) continue;
      const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) continue;
      if (behaviour == Behaviour::closesAtOnce) {
        ::close(connection);
        continue;
      }
      if (behaviour == Behaviour::answersGarbage) {
        const std::string_view garbage = "HTTP/1.1 400 Bad Request\r\n\r\n";
        [[maybe_unused]] const auto sent = ::send(connection, garbage.data(), garbage.size(), 0);
      }
      connections.push_back(connection);
    }
  }

  const std::filesystem::path path;
  int listener = -1;
  std::vector<int> connections;  // the server thread's until it is joined
  std::atomic<bool> stopping = false;
  std::thread server;
};

TEST(SwaySwitcherWithoutSway, SaysWhyAndNeitherHangsNorCrashes) {
  using Behaviour = StandInSocket::Behaviour;
  struct Case {
    std::optional<Behaviour> standIn;  // none: the path given below
    std::string path;
    std::string reason;
  };
  const std::vector<Case> cases{
      {std::nullopt, "", "SWAYSOCK is not set"},
      {std::nullopt, "/nonexistent/sway-ipc.sock",
       "cannot connect to /nonexistent/sway-ipc.sock: No such file or directory"},
      {Behaviour::closesAtOnce, "", "closed the connection"},
      {Behaviour::neverAnswers, "", "did not answer in time"},
      {Behaviour::answersGarbage, "", "not an i3-IPC message"},
  };
  for (const auto& testCase : cases) {
    std::optional<StandInSocket> standIn;
    if (testCase.standIn) standIn.emplace(*testCase.standIn);
    const auto path = standIn ? standIn->socketPath() : testCase.path;
    host::DispatchQueues dispatch{std::make_shared<host::ManualClock>()};
    const auto started = std::chrono::steady_clock::now();
    SwaySwitcher switcher(path, dispatch.mainQueue(), std::chrono::milliseconds(100));
    EXPECT_FALSE(switcher.read()) << testCase.reason;
    EXPECT_FALSE(switcher.select(1)) << testCase.reason;
    const auto reason = switcher.unavailableReason();
    ASSERT_TRUE(reason) << testCase.reason;
    EXPECT_NE(reason->find(testCase.reason), std::string::npos) << *reason;
    // The subscription, the listing and the switch each wait one timeout at most.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2)) << *reason;

    WaylandTextInputSources sources(
        std::make_unique<SwaySwitcher>(path, dispatch.mainQueue(), std::chrono::milliseconds(50)));
    EXPECT_FALSE(sources.createInputSourceList({}, false));
    EXPECT_EQ(sources.copyCurrentKeyboardInputSource(), nullptr);
    EXPECT_TRUE(sources.unavailableReason());
  }
}

}  // namespace
}  // namespace kestravane::platform::wayland
