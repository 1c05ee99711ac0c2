#include "Console/ConsoleSession.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ostream>
#include <sstream>
#include <thread>

#include "Console/KeyNames.h"
#include "KestravaneCore/Presentation.h"
#include "KestravaneCore/Strings.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/LaunchAtLogin.h"
#include "Platform/Host/DefaultsLogLines.h"

namespace kestravane::console {
namespace {

constexpr int kLongestHoldMs = 10000;
constexpr std::string_view kHoldUsage = "hold <key> <milliseconds from 0 to 10000>";

std::vector<std::string> splitWords(std::string_view line) {
  std::vector<std::string> words;
  std::istringstream stream{std::string(line)};
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

std::string_view triggerDisplayName(TriggerKind trigger) {
  return triggerNames(trigger).console;
}

// The report's word, spelled with spaces.
std::string loginItemText(platform::LoginItemStatus status) {
  std::string text(loginItemWord(status));
  std::replace(text.begin(), text.end(), '-', ' ');
  return text;
}

std::string_view grantedText(bool granted) {
  return granted ? "granted" : "not granted";
}

std::string statusLine(const AppController& controller) {
  return std::string(Presentation::statusLine(controller.health(), controller.texts()));
}

// "on" or "off" as the only argument; absent for anything else.
std::optional<bool> onOff(const std::vector<std::string>& words) {
  if (words.size() != 2) return std::nullopt;
  if (words[1] == "on") return true;
  if (words[1] == "off") return false;
  return std::nullopt;
}

}  // namespace

ConsoleSession::ConsoleSession(platform::vmac::VirtualMac& mac,
                               std::shared_ptr<AppController> controller, std::ostream& out,
                               Notify notify, bool verbose)
    : mac(mac),
      controller(std::move(controller)),
      out(out),
      notify(notify ? std::move(notify)
                    : Notify([stream = &out](std::string_view text) { *stream << text << '\n'; })),
      verbose(verbose),
      onboardingHost(std::make_shared<ConsoleOnboardingHost>(
          [this](const std::string& text) { this->notify(text); })),
      shownStatus(statusLine(*this->controller)),
      shownSwitch(this->controller->lastSwitch()),
      alive(std::make_shared<ConsoleSession*>(this)),
      changes(this->controller->subscribe([this] { reportSoon(); })) {
  this->controller->setWindowHost(onboardingHost);
}

void ConsoleSession::reportSoon() {
  if (reportPending) return;
  reportPending = true;
  controller->services()->dispatch->mainQueue()->async(
      [weakSession = std::weak_ptr<ConsoleSession*>(alive)] {
        if (const auto session = weakSession.lock()) {
          (*session)->reportPending = false;
          (*session)->reportChanges();
        }
      });
}

bool ConsoleSession::execute(std::string_view line) {
  const auto words = splitWords(line);
  if (words.empty()) return true;
  const bool keepGoing = run(words);
  showNewLogLines();  // what the command logged, right below its own output
  settle();
  return keepGoing;
}

void ConsoleSession::settle() {
  // A tap just made stays off until its thread takes it up: wait for that (briefly), so that
  // the next command's keys reach it, as a person's would.
  const auto tapsDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (!mac.windowServer().allTapsServed() && std::chrono::steady_clock::now() < tapsDeadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // Fires travel tap thread → fire queue → main queue; give them a moment to arrive.
  for (int round = 0; round < 5; ++round) {
    mac.dispatch().runDue();
    if (!mac.dispatch().waitForWork(std::chrono::milliseconds(20))) break;
  }
  mac.dispatch().runDue();
}

bool ConsoleSession::shutDown(std::chrono::milliseconds wait) {
  controller->stopKeyTest();
  controller->stopEngine();
  return mac.threads().waitUntilAllFinished(wait);
}

void ConsoleSession::showNewLogLines() {
  for (const auto& message : mac.log().messagesSince(logCursor)) {
    if (verbose || message.starts_with(platform::host::defaultsline::kPrefix)) notify(message);
  }
}

void ConsoleSession::reportChanges() {
  std::string status = statusLine(*controller);
  if (status != shownStatus) {
    notify("[menu bar] " + status);
    shownStatus = std::move(status);
  }
  if (controller->lastSwitch() != shownSwitch) {
    shownSwitch = controller->lastSwitch();
    notify("[switch] " + shownSwitch);
  }
  if (controller->lastTestedKey() != shownTestedKey) {
    shownTestedKey = controller->lastTestedKey();
    if (!shownTestedKey.empty()) notify("[key test] " + shownTestedKey);
  }
  onboardingHost->refresh();
}

bool ConsoleSession::run(const std::vector<std::string>& words) {
  const std::string& command = words[0];
  const std::string argument = words.size() > 1 ? words[1] : "";
  if (command == "quit" || command == "exit") return false;
  if (command == "help") {
    printHelp();
  } else if (command == "status") {
    controller->reconcile();  // what opening the menu does
    printStatus();
  } else if (command == "tap") {
    if (words.size() != 2) return out << "tap <key>\n", true;
    tapKey(argument, 40);
  } else if (command == "hold") {
    hold(words);
  } else if (command == "press" || command == "release") {
    if (words.size() != 2) return out << command << " <key>\n", true;
    auto code = keyCodeForName(argument);
    if (!code) return out << "unknown key: " << argument << '\n', true;
    command == "press" ? mac.keyboard().press(*code) : mac.keyboard().release(*code);
  } else if (command == "grant" || command == "revoke") {
    setPermission(words, command == "grant");
  } else if (command == "globe") {
    setGlobe(words);
  } else if (command == "capslock") {
    setCapsLockSwitching(words);
  } else if (command == "layouts") {
    printLayouts();
  } else if (command == "enable" || command == "disable") {
    if (words.size() != 2) return out << command << " <input source id>\n", true;
    if (!mac.inputSources().setEnabled(argument, command == "enable")) {
      out << "no such input source: " << argument << '\n';
    } else {
      out << argument << ": " << command << "d\n";
    }
  } else if (command == "secure") {
    const auto on = onOff(words);
    if (!on) return out << "secure on|off\n", true;
    mac.permissions().setSecureInput(*on);
    out << "secure input: " << (*on ? "on" : "off") << '\n';
  } else if (command == "trigger" || command == "language" || command == "login") {
    applySetting(words);
  } else if (command == "toggle") {
    controller->toggleEnabled();
    out << "switching: " << (controller->userEnabled() ? "enabled" : "disabled") << '\n';
  } else if (command == "wake") {
    mac.workspace().postWake();
    out << "the Mac woke from sleep\n";
  } else if (command == "keytest") {
    keyTest(words);
  } else if (command == "onboarding") {
    showOnboarding(words);
  } else if (command == "settings") {
    controller->open(std::string(argument == "keyboard"
                                     ? AppController::kKeyboardSettingsURL
                                     : AppController::kAccessibilitySettingsURL));
    for (const auto& url : mac.workspace().openedURLs())
      out << "opened " << url.absoluteString << '\n';
    mac.workspace().clearOpenedURLs();
  } else if (command == "log") {
    for (const auto& message : mac.log().messages()) out << message << '\n';
  } else {
    out << "unknown command; type help\n";
  }
  return true;
}

void ConsoleSession::hold(const std::vector<std::string>& words) {
  int holdMs = 0;
  if (words.size() == 3) {
    const std::string& text = words[2];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), holdMs);
    if (error == std::errc() && end == text.data() + text.size() && holdMs >= 0 &&
        holdMs <= kLongestHoldMs) {
      tapKey(words[1], holdMs);
      return;
    }
  }
  out << kHoldUsage << '\n';
}

void ConsoleSession::tapKey(const std::string& name, int holdMs) {
  auto code = keyCodeForName(name);
  if (!code) {
    out << "unknown key: " << name << '\n';
    return;
  }
  mac.keyboard().press(*code);
  std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
  mac.keyboard().release(*code);
}

void ConsoleSession::setPermission(const std::vector<std::string>& words, bool granted) {
  const std::string which = words.size() == 2 ? words[1] : "";
  const bool accessibility = which == "accessibility" || which == "all";
  const bool input = which == "input" || which == "all";
  if (!accessibility && !input) {
    out << "grant|revoke accessibility|input|all\n";
    return;
  }
  if (accessibility) mac.permissions().setAccessibilityTrusted(granted);
  if (input) mac.permissions().setInputMonitoring(granted);
  out << "accessibility: " << grantedText(mac.permissions().accessibilityTrusted())
      << ", input monitoring: " << grantedText(mac.permissions().inputMonitoring()) << '\n';
}

void ConsoleSession::setGlobe(const std::vector<std::string>& words) {
  setKeyPreference(words, "globe", "globe key", [&](std::optional<std::int64_t> value) {
    mac.preferences().setFnUsageType(value);
  });
}

void ConsoleSession::setCapsLockSwitching(const std::vector<std::string>& words) {
  // "free": System Settings' "Use the Caps Lock key to switch to and from ABC" turned off.
  setKeyPreference(words, "capslock", "caps lock key", [&](std::optional<std::int64_t> value) {
    mac.preferences().setRomanSwitchState(value);
  });
}

void ConsoleSession::setKeyPreference(
    const std::vector<std::string>& words, std::string_view command, std::string_view keyName,
    const std::function<void(std::optional<std::int64_t>)>& store) {
  const std::string which = words.size() == 2 ? words[1] : "";
  if (which == "free") {
    store(0);
  } else if (which == "occupied") {
    store(1);
  } else if (which == "absent") {
    store(std::nullopt);
  } else {
    out << command << " free|occupied|absent\n";
    return;
  }
  out << keyName << ": " << which << '\n';
}

void ConsoleSession::applySetting(const std::vector<std::string>& words) {
  const std::string& command = words[0];
  auto config = controller->config();
  config.launchAtLogin = controller->launchesAtLogin();
  if (command == "trigger") {
    const auto trigger = words.size() == 2 ? triggerForName(words[1]) : std::nullopt;
    if (!trigger) {
      out << "trigger " << triggerNameList() << '\n';
      return;
    }
    config.trigger = *trigger;
  } else if (command == "language") {
    const auto language = words.size() == 2 ? parseAppLanguage(words[1]) : std::nullopt;
    if (!language) {
      out << "language " << appLanguageChoices("|") << '\n';
      return;
    }
    config.language = *language;
  } else {
    const auto on = onOff(words);
    if (!on) {
      out << "login on|off\n";
      return;
    }
    config.launchAtLogin = *on;
  }
  controller->apply(config);  // the settings window's Done
  if (command == "trigger") {
    out << "trigger: " << triggerDisplayName(controller->config().trigger) << '\n';
  } else if (command == "language") {
    out << "language: " << rawValue(controller->config().language) << '\n';
  } else {
    out << "login item: " << loginItemText(controller->services()->loginItems->status()) << '\n';
  }
}

void ConsoleSession::keyTest(const std::vector<std::string>& words) {
  const std::string which = words.size() == 2 ? words[1] : "";
  if (which == "start") {
    controller->startKeyTest();
    if (controller->isTesting()) {
      out << "key test started: press keys; readouts follow\n";
    } else {
      out << "key test could not start (it needs "
          << (controller->hasAccessibility() ? "Input Monitoring" : "Accessibility") << ")\n";
    }
  } else if (which == "stop") {
    controller->stopKeyTest();
    out << "key test stopped\n";
  } else {
    out << "keytest start|stop\n";
  }
}

void ConsoleSession::showOnboarding(const std::vector<std::string>& words) {
  if (words.size() == 1) {
    if (!onboardingHost->showAgain()) out << "the onboarding is not open\n";
  } else if (words.size() == 2 && words[1] == "close") {
    out << (onboardingHost->close() ? "onboarding closed" : "the onboarding is not open") << '\n';
  } else {
    out << "onboarding [close]\n";
  }
}

void ConsoleSession::printLayouts() {
  const auto current = controller->inputSources().currentSourceID();
  for (const auto& source : mac.inputSources().sources()) {
    const std::string id = source.identifier.value_or("(no identifier)");
    out << (current == id ? " * " : "   ") << (source.enabled ? "[on]  " : "[off] ") << id << "  "
        << source.localizedName.value_or("") << '\n';
  }
}

void ConsoleSession::printStatus() {
  const Strings s = controller->texts();
  const auto health = controller->health();
  out << Presentation::statusLine(health, s) << '\n';
  out << s.triggerLabel(triggerDisplayName(controller->config().trigger)) << '\n';
  std::string names;
  for (const auto& id : controller->layouts()) {
    if (!names.empty()) names += " → ";
    names += controller->inputSources().displayName(id);
  }
  out << s.layoutsLabel(names) << '\n';
  out << "current layout: " << controller->inputSources().currentSourceID().value_or("—")
      << "   last switch: " << controller->lastSwitch() << '\n';
  out << "login item: " << loginItemText(controller->services()->loginItems->status()) << '\n';
  if (const auto& problem = controller->saveProblem()) out << s.settingsNotSaved(*problem) << '\n';
  for (const auto& remedy : Presentation::remedies(health, controller->hasAccessibility(), s)) {
    if (!remedy.consoleCommand.empty()) {
      out << remedy.text << "   (" << remedy.consoleCommand << ")\n";
    }
  }
  if (controller->isTesting()) out << "key test: " << controller->lastTestedKey() << '\n';
  // What opening the menu rebuilt is shown here already.
  shownStatus = statusLine(*controller);
}

void ConsoleSession::printHelp() {
  out << "Keys:      tap <key> | hold <key> <ms> | press <key> | release <key>\n"
         "System:    grant|revoke accessibility|input|all | globe free|occupied|absent\n"
         "           capslock free|occupied|absent | layouts | enable <id> | disable <id>\n"
         "           secure on|off | wake\n"
         "Plivex:    status | toggle | trigger "
      << triggerNameList() << " | language " << appLanguageChoices("|")
      << "\n"
         "           login on|off | keytest start|stop | onboarding [close] | settings [keyboard]\n"
         "           log | quit\n"
         "Key names: "
      << keyNameList() << '\n';
}

}  // namespace kestravane::console
