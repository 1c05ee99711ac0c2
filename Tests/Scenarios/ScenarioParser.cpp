#include "Scenarios/ScenarioParser.h"

#include <charconv>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

#include "KestravaneCore/PlivexConfig.h"
#include "Scenarios/Notation.h"

namespace kestravane::scenario {
namespace {

std::string_view trim(std::string_view text) {
  const auto start = text.find_first_not_of(" \t\r");
  if (start == std::string_view::npos) return {};
  const auto end = text.find_last_not_of(" \t\r");
  return text.substr(start, end - start + 1);
}

// A '#' at the start of a line or after a blank starts a comment.
std::string_view withoutComment(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
      return line.substr(0, i);
    }
  }
  return line;
}

std::vector<std::string_view> splitWords(std::string_view text) {
  std::vector<std::string_view> result;
  while (!(text = trim(text)).empty()) {
    const auto end = std::min(text.find_first_of(" \t"), text.size());
    result.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
  return result;
}

// Reads one line's words and reports what is wrong with them.
class LineReader {
 public:
  LineReader(int line, std::string_view text) : line(line), text(text), parts(splitWords(text)) {}

  [[noreturn]] void fail(const std::string& message) const {
    throw ParseError(line, message + " in \"" + std::string(text) + "\"");
  }

  std::string_view keyword() const { return parts[0]; }
  std::size_t count() const { return parts.size(); }
  std::string_view word(std::size_t index) const {
    if (index >= parts.size()) fail("missing word " + std::to_string(index + 1));
    return parts[index];
  }
  void expectWords(std::size_t expected) const {
    if (parts.size() != expected) {
      fail("expected " + std::to_string(expected) + " words, found " +
           std::to_string(parts.size()));
    }
  }
  // Everything after the first `skip` words, as written.
  std::string_view rest(std::size_t skip) const {
    std::string_view remaining = trim(text);
    for (std::size_t i = 0; i < skip; ++i) {
      remaining =
          trim(remaining.substr(std::min(remaining.find_first_of(" \t"), remaining.size())));
    }
    return remaining;
  }

  std::uint16_t key(std::size_t index) const {
    const auto code = parseKey(word(index));
    if (!code) fail("unknown key \"" + std::string(word(index)) + "\"");
    return *code;
  }
  bool onOff(std::size_t index) const {
    if (word(index) == "on") return true;
    if (word(index) == "off") return false;
    fail("expected on or off");
  }
  std::uint64_t number(std::size_t index) const { return numberIn(word(index)); }
  std::uint64_t numberIn(std::string_view digits) const {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
      fail("expected a number, found \"" + std::string(digits) + "\"");
    }
    return value;
  }
  // "300ms", "1ns", "2s", "50us".
  std::uint64_t duration(std::size_t index) const {
    const std::string_view value = word(index);
    const auto digitsEnd = value.find_first_not_of("0123456789");
    if (digitsEnd == std::string_view::npos) fail("a duration needs a unit: ns, us, ms or s");
    const std::uint64_t amount = numberIn(value.substr(0, digitsEnd));
    const std::string_view unit = value.substr(digitsEnd);
    std::uint64_t scale = 0;
    if (unit == "ns") scale = 1;
    if (unit == "us") scale = 1'000;
    if (unit == "ms") scale = 1'000'000;
    if (unit == "s") scale = 1'000'000'000;
    if (scale == 0) fail("unknown unit \"" + std::string(unit) + "\"");
    if (amount > std::numeric_limits<std::uint64_t>::max() / scale) fail("duration too long");
    return amount * scale;
  }
  EngineHealth health(std::string_view name) const {
    const auto health = parseHealth(name);
    if (!health) fail("unknown health \"" + std::string(name) + "\"");
    return *health;
  }

  const int line;
  const std::string_view text;

 private:
  const std::vector<std::string_view> parts;
};

bool isHeaderKeyword(std::string_view keyword) {
  return keyword == "trigger" || keyword == "suppress" || keyword == "hold" ||
         keyword == "layouts" || keyword == "current" || keyword == "permissions" ||
         keyword == "caps-lock-abc";
}

void readHeaderLine(const LineReader& in, Header& header) {
  const auto keyword = in.keyword();
  if (keyword == "trigger") {
    in.expectWords(2);
    const auto kind = parseTriggerKind(in.word(1));
    if (!kind) in.fail("unknown trigger");
    header.trigger = *kind;
  } else if (keyword == "suppress") {
    in.expectWords(2);
    if (in.word(1) == "tap") {
      header.suppress = EventTapEngine::Suppress::tap;
    } else if (in.word(1) == "none") {
      header.suppress = EventTapEngine::Suppress::none;
    } else {
      in.fail("suppress is tap or none");
    }
  } else if (keyword == "hold") {
    in.expectWords(2);
    std::string_view value = in.word(1);
    const bool negative = value.starts_with('-');
    if (negative) value.remove_prefix(1);
    if (!value.ends_with("ms")) in.fail("the hold limit is given in ms");
    const auto ms = static_cast<std::int64_t>(in.numberIn(value.substr(0, value.size() - 2)));
    header.holdTimeoutMs = negative ? -ms : ms;
  } else if (keyword == "layouts") {
    std::vector<InstalledLayout> layouts;
    for (std::size_t i = 1; i < in.count(); ++i) {
      std::string_view id = in.word(i);
      const bool disabled = id.starts_with("disabled:");
      if (disabled) id.remove_prefix(std::string_view("disabled:").size());
      if (id.empty()) in.fail("empty layout identifier");
      layouts.push_back({std::string(id), !disabled});
    }
    header.layouts = std::move(layouts);
  } else if (keyword == "current") {
    in.expectWords(2);
    header.current = std::string(in.word(1));
  } else if (keyword == "caps-lock-abc") {
    in.expectWords(2);
    if (in.word(1) == "absent") {
      header.romanSwitchState = std::nullopt;
    } else {
      header.romanSwitchState = in.onOff(1) ? 1 : 0;
    }
  } else if (keyword == "permissions") {
    header.accessibility = false;
    header.inputMonitoring = false;
    for (std::size_t i = 1; i < in.count(); ++i) {
      const auto name = in.word(i);
      if (name == "all") {
        header.accessibility = header.inputMonitoring = true;
      } else if (name == "accessibility") {
        header.accessibility = true;
      } else if (name == "inputMonitoring") {
        header.inputMonitoring = true;
      } else if (name != "none") {
        in.fail("permissions are all, none, accessibility, inputMonitoring");
      }
    }
  }
}

step::ExpectSwitch readSwitchExpectation(const LineReader& in) {
  step::ExpectSwitch expected;
  if (in.count() < 3) in.fail("expect switch needs ok=, requested= or actual=");
  for (std::size_t i = 2; i < in.count(); ++i) {
    const auto item = in.word(i);
    const auto equals = item.find('=');
    if (equals == std::string_view::npos) in.fail("expected name=value");
    const auto name = item.substr(0, equals);
    const auto value = item.substr(equals + 1);
    // "-" stands for an absent identifier.
    const std::optional<std::string> id =
        value == "-" ? std::nullopt : std::optional<std::string>(value);
    if (name == "ok") {
      if (value != "true" && value != "false") in.fail("ok is true or false");
      expected.ok = value == "true";
    } else if (name == "requested") {
      expected.requested = id;
    } else if (name == "actual") {
      expected.actual = id;
    } else {
      in.fail("unknown field \"" + std::string(name) + "\"");
    }
  }
  return expected;
}

Action readExpectation(const LineReader& in) {
  const auto what = in.word(1);
  if (what == "fires") {
    in.expectWords(3);
    return step::ExpectFires{in.number(2)};
  }
  if (what == "app") {
    step::ExpectApp expected;
    const std::string_view list = in.rest(2);
    if (list.empty()) in.fail("expect app needs a list of events or none");
    if (list == "none") return expected;
    std::string_view remaining = list;
    while (true) {
      const auto comma = remaining.find(',');
      const auto item = trim(remaining.substr(0, comma));
      const auto pattern = parseEventPattern(item);
      if (!pattern) in.fail("cannot read the event \"" + std::string(item) + "\"");
      expected.events.push_back(*pattern);
      if (comma == std::string_view::npos) break;
      remaining.remove_prefix(comma + 1);
    }
    return expected;
  }
  if (what == "typed") {
    const std::string_view text = in.rest(2);
    if (text.empty()) in.fail("expect typed needs the text or none");
    return step::ExpectTyped{text == "none" ? std::string() : std::string(text)};
  }
  if (what == "layout") {
    in.expectWords(3);
    if (in.word(2) == "none") return step::ExpectLayout{};
    return step::ExpectLayout{std::string(in.word(2))};
  }
  if (what == "log") {
    const std::string_view line = in.rest(2);
    if (line.empty()) in.fail("expect log needs the exact line");
    return step::ExpectLog{std::string(line)};
  }
  if (what == "log-end") {
    in.expectWords(2);
    return step::ExpectLog{};
  }
  if (what == "health") {
    step::ExpectHealth expected;
    if (in.count() == 3 && in.word(2) == "none") return expected;
    if (in.count() < 3) in.fail("expect health needs a sequence or none");
    for (std::size_t i = 2; i < in.count(); ++i) expected.changes.push_back(in.health(in.word(i)));
    return expected;
  }
  if (what == "health-now") {
    in.expectWords(3);
    return step::ExpectHealthNow{in.health(in.word(2))};
  }
  if (what == "switch") return readSwitchExpectation(in);
  in.fail("unknown expectation \"" + std::string(what) + "\"");
}

step::LayoutChangeKind layoutChangeKind(std::string_view keyword) {
  if (keyword == "enable-layout") return step::LayoutChangeKind::enable;
  if (keyword == "disable-layout") return step::LayoutChangeKind::disable;
  return step::LayoutChangeKind::select;
}

Action readAction(const LineReader& in) {
  const auto keyword = in.keyword();
  if (keyword == "press" || keyword == "release" || keyword == "tap") {
    in.expectWords(2);
    const auto motion = keyword == "press"     ? step::KeyMotion::press
                        : keyword == "release" ? step::KeyMotion::release
                                               : step::KeyMotion::tap;
    return step::Key{motion, in.key(1)};
  }
  if (keyword == "repeat") {
    in.expectWords(3);
    return step::Repeat{in.key(1), in.number(2)};
  }
  if (keyword == "wait") {
    in.expectWords(2);
    return step::Wait{in.duration(1)};
  }
  if (keyword == "clock") {
    in.expectWords(2);
    return step::SetClock{in.duration(1)};
  }
  if (keyword == "post") {
    const auto pattern = parseEventPattern(in.rest(1));
    if (!pattern || !pattern->exactFlags) in.fail("post needs <kind> <key> <flags>");
    return step::Post{pattern->event()};
  }
  if (keyword == "click") {
    in.expectWords(2);
    const auto button = parseMouseButton(in.word(1));
    if (!button) in.fail("the mouse buttons are left, right and other");
    return step::Click{*button};
  }
  if (keyword == "media") {
    in.expectWords(2);
    const auto key = parseAuxKey(in.word(1));
    if (!key) in.fail("unknown media key");
    return step::AuxKey{*key};
  }
  if (keyword == "periodic-check") {
    in.expectWords(1);
    return step::PeriodicCheck{};
  }
  if (keyword == "disable-timeout" || keyword == "disable-user-input") {
    in.expectWords(1);
    return step::DisableNotice{keyword == "disable-timeout"};
  }
  if (keyword == "secure-input") {
    in.expectWords(2);
    return step::SecureInput{in.onOff(1)};
  }
  if (keyword == "grant" || keyword == "revoke") {
    in.expectWords(2);
    step::PermissionKind kind{};
    if (in.word(1) == "accessibility") {
      kind = step::PermissionKind::accessibility;
    } else if (in.word(1) == "inputMonitoring") {
      kind = step::PermissionKind::inputMonitoring;
    } else {
      in.fail("the permissions are accessibility and inputMonitoring");
    }
    return step::Permission{kind, keyword == "grant"};
  }
  if (keyword == "enable-layout" || keyword == "disable-layout" || keyword == "select-layout") {
    in.expectWords(2);
    return step::LayoutChange{layoutChangeKind(keyword), std::string(in.word(1))};
  }
  if (keyword == "selection-ignored") {
    in.expectWords(2);
    return step::SelectionIgnored{in.onOff(1)};
  }
  if (keyword == "start") {
    if (in.count() == 1) return step::Start{};
    in.expectWords(3);
    if (in.word(1) != "fails") in.fail("expected start or start fails <error>");
    const auto error = parseEngineError(in.word(2));
    if (!error) in.fail("unknown engine error");
    return step::Start{error};
  }
  if (keyword == "stop") {
    in.expectWords(1);
    return step::Stop{};
  }
  if (keyword == "expect") return readExpectation(in);
  in.fail("unknown action \"" + std::string(keyword) + "\"");
}

}  // namespace

Scenario parseScenario(std::string_view text, std::string path) {
  Scenario scenario;
  scenario.path = std::move(path);
  int lineNumber = 0;
  bool inHeader = true;
  while (!text.empty()) {
    const auto newline = text.find('\n');
    const std::string_view rawLine = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    ++lineNumber;

    const std::string_view content = trim(withoutComment(rawLine));
    if (content.empty()) continue;
    const LineReader in(lineNumber, content);
    if (isHeaderKeyword(in.keyword())) {
      if (!inHeader) in.fail("the set-up belongs before the first step");
      readHeaderLine(in, scenario.header);
      continue;
    }
    if (inHeader && !scenario.header.trigger) in.fail("the scenario must name its trigger first");
    inHeader = false;
    scenario.steps.push_back(Step{lineNumber, std::string(content), readAction(in)});
  }
  if (!scenario.header.trigger) throw ParseError(lineNumber, "the scenario names no trigger");
  return scenario;
}

Scenario loadScenario(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw ParseError(0, "cannot read " + path.string());
  std::ostringstream contents;
  contents << file.rdbuf();
  return parseScenario(contents.str(), path.string());
}

}  // namespace kestravane::scenario
