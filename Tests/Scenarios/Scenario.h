// One key-path scenario as read from a .scn file: the set-up of the virtual Mac and the engine,
// then the timed steps and the expectations, each with the line it came from.
// Threads: plain values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "KestravaneCore/EngineState.h"
#include "KestravaneKit/EventTapEngine.h"
#include "Platform/Virtual/VirtualEvent.h"

namespace kestravane::scenario {

// What an expected event of `expect app` must look like.
struct EventPattern {
  enum class Kind { down, up, keyDown, repeat, keyUp, flags, mouseDown, mouseUp, auxDown, auxUp };
  Kind kind = Kind::flags;
  std::int64_t keyCode = 0;  // keyboard kinds
  // The mouse button (mouse kinds) or the media key's NX_KEYTYPE (aux kinds).
  std::int64_t button = 0;
  std::optional<platform::EventFlags> exactFlags;  // compared only when given

  bool matches(const platform::Event& event) const;
  // The event the pattern describes, with its flags (0 when not given).
  platform::Event event() const;
};

struct InstalledLayout {
  std::string id;
  bool enabled = true;
};

struct Header {
  std::optional<TriggerKind> trigger;  // required
  EventTapEngine::Suppress suppress = EventTapEngine::Suppress::tap;
  std::int64_t holdTimeoutMs = 300;
  std::optional<std::vector<InstalledLayout>> layouts;  // the virtual Mac's own list when absent
  std::optional<std::string> current;
  bool accessibility = true;
  bool inputMonitoring = true;
  // "TISRomanSwitchState": the system's own Caps Lock switching; absent counts as on.
  std::optional<std::int64_t> romanSwitchState = 0;
};

namespace step {

enum class KeyMotion { press, release, tap };
struct Key {
  KeyMotion motion;
  std::uint16_t keyCode;
};
struct Repeat {
  std::uint16_t keyCode;
  std::size_t count;
};
struct Wait {
  std::uint64_t nanos;
};
struct SetClock {
  std::uint64_t nanos;
};
struct Post {  // one raw event straight to the window server
  platform::Event event;
};
struct Click {
  std::int64_t button;  // MouseButton
};
struct AuxKey {
  std::int64_t key;  // NX_KEYTYPE
};
struct PeriodicCheck {};
struct DisableNotice {
  bool byTimeout;  // otherwise by user input
};
struct SecureInput {
  bool on;
};
enum class PermissionKind { accessibility, inputMonitoring };
struct Permission {
  PermissionKind kind;
  bool granted;
};
enum class LayoutChangeKind { enable, disable, select };
struct LayoutChange {
  LayoutChangeKind kind;
  std::string id;
};
struct SelectionIgnored {
  bool on;
};
struct Start {
  std::optional<EventTapEngine::EngineError::Case> expectedError;  // success when absent
};
struct Stop {};

struct ExpectFires {
  std::size_t count;
};
struct ExpectApp {
  std::vector<EventPattern> events;  // empty: nothing received
};
struct ExpectTyped {
  std::string text;  // empty: nothing typed
};
struct ExpectLayout {
  std::optional<std::string> id;  // absent: no current source
};
struct ExpectLog {
  std::optional<std::string> line;  // absent: no further line
};
struct ExpectHealth {
  std::vector<EngineHealth> changes;
};
struct ExpectHealthNow {
  EngineHealth health;
};
struct ExpectSwitch {
  std::optional<bool> ok;
  std::optional<std::optional<std::string>> requested;
  std::optional<std::optional<std::string>> actual;
};

}  // namespace step

using Action = std::variant<step::Key, step::Repeat, step::Wait, step::SetClock, step::Post,
                            step::Click, step::AuxKey, step::PeriodicCheck, step::DisableNotice,
                            step::SecureInput, step::Permission, step::LayoutChange,
                            step::SelectionIgnored, step::Start, step::Stop, step::ExpectFires,
                            step::ExpectApp, step::ExpectTyped, step::ExpectLayout, step::ExpectLog,
                            step::ExpectHealth, step::ExpectHealthNow, step::ExpectSwitch>;

struct Step {
  int line = 0;
  std::string text;  // the line as written, without its comment
  Action action;
};

struct Scenario {
  std::string path;
  Header header;
  std::vector<Step> steps;
};

}  // namespace kestravane::scenario
