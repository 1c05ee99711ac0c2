#include "Console/ConsoleSession.h"

#include <charconv>
#include <chrono>
#include <ostream>
#include <sstream>
#include <thread>

#include "Console/KeyNames.h"
#include "KestravaneCore/Presentation.h"
#include "KestravaneCore/Strings.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/TextsForLanguage.h"

namespace kestravane::console {
namespace {

std::vector<std::string> splitWords(std::string_view line) {
  std::vector<std::string> words;
  std::istringstream stream{std::string(line)};
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

std::string_view triggerDisplayName(TriggerKind trigger) {
  switch (trigger) {
    case TriggerKind::fn:
      return "fn / Globe";
    case TriggerKind::capsLock:
      return "Caps Lock";
    case TriggerKind::rightCommand:
      return "Right ⌘";
  }
  return "";
}

}  // namespace

ConsoleSession::ConsoleSession(platform::vmac::VirtualMac& mac,
                               std::shared_ptr<AppController> controller, std::ostream& out)
    : mac(mac), controller(std::move(controller)), out(out) {}

bool ConsoleSession::execute(std::string_view line) {
  const auto words = splitWords(line);
  if (words.empty()) return true;
  const bool keepGoing = run(words);
  settle();
  return keepGoing;
}

void ConsoleSession::settle() {
  // Fires travel tap thread → fire queue → main queue; give them a moment to arrive.
  for (int round = 0; round < 5; ++round) {
    mac.dispatch().runDue();
    if (!mac.dispatch().waitForWork(std::chrono::milliseconds(20))) break;
  }
  mac.dispatch().runDue();
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
  } else if (command == "tap" && !argument.empty()) {
    tapKey(argument, 40);
  } else if (command == "hold" && words.size() == 3) {
    int holdMs = 0;
    const std::string& text = words[2];
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), holdMs);
    if (error != std::errc() || end != text.data() + text.size() || holdMs < 0 || holdMs > 10000) {
      return out << "hold <key> <milliseconds from 0 to 10000>\n", true;
    }
    tapKey(argument, holdMs);
  } else if ((command == "press" || command == "release") && !argument.empty()) {
    auto code = keyCodeForName(argument);
    if (!code) return out << "unknown key: " << argument << '\n', true;
    command == "press" ? mac.keyboard().press(*code) : mac.keyboard().release(*code);
  } else if (command == "grant" || command == "revoke") {
    setPermission(argument, command == "grant");
  } else if (command == "globe") {
    if (argument == "free")
      mac.preferences().setFnUsageType(0);
    else if (argument == "occupied")
      mac.preferences().setFnUsageType(1);
    else if (argument == "absent")
      mac.preferences().setFnUsageType(std::nullopt);
    else
      out << "globe free|occupied|absent\n";
  } else if (command == "layouts") {
    printLayouts();
  } else if ((command == "enable" || command == "disable") && !argument.empty()) {
    if (!mac.inputSources().setEnabled(argument, command == "enable")) {
      out << "no such input source: " << argument << '\n';
    }
  } else if (command == "secure") {
    mac.permissions().setSecureInput(argument == "on");
  } else if (command == "trigger" || command == "language" || command == "login") {
    auto config = controller->config();
    bool login = config.launchAtLogin;
    if (command == "trigger") {
      auto trigger = parseTriggerKind(argument);
      if (!trigger) return out << "trigger fn|capsLock|rightCommand\n", true;
      config.trigger = *trigger;
    } else if (command == "language") {
      auto language = parseAppLanguage(argument);
      if (!language) return out << "language en|ru|system\n", true;
      config.language = *language;
    } else {
      login = argument == "on";
    }
    controller->apply(config.trigger, config.language, login);  // the settings window's Done
  } else if (command == "toggle") {
    controller->toggleEnabled();
  } else if (command == "wake") {
    mac.workspace().postWake();
  } else if (command == "keytest") {
    argument == "stop" ? controller->stopKeyTest() : controller->startKeyTest();
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

void ConsoleSession::setPermission(const std::string& which, bool granted) {
  if (which == "accessibility" || which == "all")
    mac.permissions().setAccessibilityTrusted(granted);
  if (which == "input" || which == "all") mac.permissions().setInputMonitoring(granted);
  if (which != "accessibility" && which != "input" && which != "all") {
    out << "grant|revoke accessibility|input|all\n";
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
  const Strings s = textsFor(controller->config().language, *controller->services()->locale);
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
  const auto actions = Presentation::actions(health, controller->permissions().hasInputMonitoring(),
                                             controller->permissions().hasAccessibility());
  if (actions.requestAccessibility) out << s.requestAccessibility() << "   (grant accessibility)\n";
  if (actions.needsLayoutsHint) out << s.needLayoutsHint() << "   (enable <id>)\n";
  if (actions.freeGlobe) out << s.freeGlobe() << "   (globe free)\n";
  if (controller->isTesting()) out << "key test: " << controller->lastTestedKey() << '\n';
}

void ConsoleSession::printHelp() {
  out << "Keys:      tap <key> | hold <key> <ms> | press <key> | release <key>\n"
         "System:    grant|revoke accessibility|input|all | globe free|occupied|absent\n"
         "           layouts | enable <id> | disable <id> | secure on|off | wake\n"
         "Plivex:    status | toggle | trigger fn|capsLock|rightCommand | language en|ru|system\n"
         "           login on|off | keytest start|stop | settings [keyboard] | log | quit\n"
         "Key names: "
      << keyNameList() << '\n';
}

}  // namespace kestravane::console
