#include "Scenarios/ScenarioPlayer.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <type_traits>

#include "KestravaneKit/EventTapEngine.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/SwitchingEngine.h"
#include "Platform/Virtual/VirtualMac.h"
#include "Scenarios/Notation.h"
#include "Support/Waiting.h"

namespace kestravane::scenario {
namespace {

namespace vmac = platform::vmac;
using namespace std::chrono_literals;

// How long a settle waits, in real time, for the engine's threads. Generous for sanitizer builds;
// reached only when something is wrong.
constexpr auto kRealTimeLimit = 2000ms;

struct SwitchRecord {
  InputSourceSwitcher::Result result;
  bool onMainThread = false;
};

std::string text(const std::optional<std::string>& id) {
  return id ? *id : "-";
}

std::string describe(const SwitchRecord& record) {
  return "ok=" + std::string(record.result.ok() ? "true" : "false") +
         " requested=" + text(record.result.requested) + " actual=" + text(record.result.actual) +
         (record.onMainThread ? " (on the main thread)" : " (NOT on the main thread)");
}

std::string joined(const std::vector<std::string>& items, const std::string& separator,
                   const std::string& whenEmpty) {
  if (items.empty()) return whenEmpty;
  std::string result = items.front();
  for (std::size_t i = 1; i < items.size(); ++i) result += separator + items[i];
  return result;
}

class Player {
 public:
  explicit Player(const Header& header) {
    vmac::VirtualMacOptions options;
    options.manualClock = true;
    mac = std::make_unique<vmac::VirtualMac>(options);

    mac->permissions().setAccessibilityTrusted(header.accessibility);
    mac->permissions().setInputMonitoring(header.inputMonitoring);
    mac->preferences().setRomanSwitchState(header.romanSwitchState);
    if (header.layouts) {
      std::vector<vmac::InputSourceDescription> sources;
      for (const auto& layout : *header.layouts) {
        vmac::InputSourceDescription source;
        source.identifier = layout.id;
        source.enabled = layout.enabled;
        sources.push_back(source);
      }
      mac->inputSources().setSources(std::move(sources));
    }
    if (header.current && !mac->inputSources().setCurrentSource(*header.current)) {
      mismatches.push_back(
          {0, "current " + *header.current, "an installed input source", "no such source"});
    }

    // The program's own assembly of the key path.
    auto parts = SwitchingEngine::make(
        mac->services(), InputSourceSwitcher(*mac->services()),
        {.trigger = *header.trigger,
         .suppress = header.suppress,
         .holdTimeoutMs = header.holdTimeoutMs},
        [this](const InputSourceSwitcher::Result& result) {
          const bool onMain = mac->threads().isMainThread();
          std::lock_guard lock(recordsMutex);
          switches.push_back({result, onMain});
        },
        [this](EngineHealth health) {
          std::lock_guard lock(recordsMutex);
          healthChanges.push_back(health);
        });
    engine = parts.engine;
    switching = std::move(parts);
  }

  ~Player() {
    switching.stop();
    settle();
    engine.reset();
    switching = {};
  }

  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  std::vector<Mismatch> play(const std::vector<Step>& steps) {
    for (const auto& step : steps) {
      current = &step;
      std::visit([this](const auto& action) { perform(action); }, step.action);
      if (!settle()) mismatch("the engine's fire queue empties", "it still runs");
    }
    return std::move(mismatches);
  }

 private:
  void mismatch(std::string expected, std::string actual) {
    mismatches.push_back({current->line, current->text, std::move(expected), std::move(actual)});
  }

  // Lets the fires already made reach the switch controller, then runs the main queue.
  bool settle() {
    const bool drained = mac->dispatch().drainSerialQueues(kRealTimeLimit);
    mac->dispatch().runPending();
    return drained;
  }

  void perform(const step::Key& key) {
    auto& keyboard = mac->keyboard();
    const bool wasDown = keyboard.isDown(key.keyCode);
    if (key.motion == step::KeyMotion::press && wasDown) {
      return mismatch("a key that is up", keyName(key.keyCode) + " is already down");
    }
    if (key.motion == step::KeyMotion::release && !wasDown) {
      return mismatch("a key that is down", keyName(key.keyCode) + " is not down");
    }
    switch (key.motion) {
      case step::KeyMotion::press:
        keyboard.press(key.keyCode);
        break;
      case step::KeyMotion::release:
        keyboard.release(key.keyCode);
        break;
      case step::KeyMotion::tap:
        keyboard.tap(key.keyCode);
        break;
    }
  }

  void perform(const step::Repeat& repeat) {
    const auto sent = mac->keyboard().autoRepeat(repeat.keyCode, repeat.count);
    if (sent != repeat.count) {
      mismatch(std::to_string(repeat.count) + " repeats", std::to_string(sent) + " sent");
    }
  }

  void perform(const step::Wait& wait) { mac->clock().advanceNanos(wait.nanos); }
  void perform(const step::SetClock& clock) { mac->clock().set(clock.nanos); }
  void perform(const step::Post& post) { mac->windowServer().post(post.event); }
  void perform(const step::Click& click) {
    mac->mouse().click(static_cast<vmac::MouseButton>(click.button));
  }
  void perform(const step::AuxKey& key) {
    mac->keyboard().tapAuxKey(static_cast<vmac::AuxKey>(key.key));
  }
  // What the program's main thread does at each check of its health: it asks whether secure
  // input is on and tells the engine.
  void perform(const step::PeriodicCheck&) {
    engine->setSecureInputActive(mac->services()->accessibility->isSecureEventInputEnabled());
  }

  void perform(const step::DisableNotice& notice) {
    if (notice.byTimeout) {
      mac->windowServer().sendTimeoutDisable();
    } else {
      mac->windowServer().sendUserInputDisable();
    }
  }

  void perform(const step::SecureInput& secure) { mac->permissions().setSecureInput(secure.on); }

  void perform(const step::Permission& permission) {
    if (permission.kind == step::PermissionKind::accessibility) {
      mac->permissions().setAccessibilityTrusted(permission.granted);
    } else {
      mac->permissions().setInputMonitoring(permission.granted);
    }
  }

  void perform(const step::LayoutChange& change) {
    auto& sources = mac->inputSources();
    bool known = false;
    switch (change.kind) {
      case step::LayoutChangeKind::enable:
        known = sources.setEnabled(change.id, true);
        break;
      case step::LayoutChangeKind::disable:
        known = sources.setEnabled(change.id, false);
        break;
      case step::LayoutChangeKind::select:
        known = sources.setCurrentSource(change.id);
        break;
    }
    if (!known) mismatch("an installed input source", "no source " + change.id);
  }

  void perform(const step::SelectionIgnored& ignored) {
    mac->inputSources().setSelectionIgnored(ignored.on);
  }

  void perform(const step::Start& start) {
    std::string outcome = "started";
    try {
      switching.start();
    } catch (const EventTapEngine::EngineError& error) {
      outcome = std::string("throws ") + error.what();
    }
    const std::string expected =
        start.expectedError
            ? std::string("throws ") + EventTapEngine::EngineError(*start.expectedError).what()
            : "started";
    if (outcome != expected) return mismatch(expected, outcome);
    if (start.expectedError) return;
    // The tap thread reports the engine active once its tap is enabled; keys pressed before
    // that would never reach the tap.
    if (!testing_support::waitUntil([&] { return engine->health() == EngineHealth::active; },
                                    kRealTimeLimit)) {
      return mismatch("health active after start",
                      "still " + std::string(healthName(engine->health())));
    }
  }

  void perform(const step::Stop&) { switching.stop(); }

  void perform(const step::ExpectFires& expected) {
    std::size_t total = 0;
    {
      std::lock_guard lock(recordsMutex);
      total = switches.size();
    }
    const std::size_t fires = total - firesSeen;
    firesSeen = total;
    if (fires != expected.count) {
      mismatch(std::to_string(expected.count) + " fires", std::to_string(fires) + " fires");
    }
  }

  void perform(const step::ExpectApp& expected) {
    const auto fresh = mac->windowServer().receivedEventsSince(appSeen);
    bool same = fresh.size() == expected.events.size();
    for (std::size_t i = 0; same && i < fresh.size(); ++i) {
      same = expected.events[i].matches(fresh[i]);
    }
    if (same) return;
    std::vector<std::string> actual;
    for (const auto& event : fresh) actual.push_back(scenario::describe(event));
    const std::string written = current->text.substr(current->text.find("app") + 3);
    mismatch(written.substr(written.find_first_not_of(' ')), joined(actual, ", ", "none"));
  }

  void perform(const step::ExpectTyped& expected) {
    const std::string typed = mac->foregroundText().text();
    const std::string fresh = typed.substr(typedSeen);
    typedSeen = typed.size();
    if (fresh != expected.text) {
      mismatch(expected.text.empty() ? "none" : expected.text, fresh.empty() ? "none" : fresh);
    }
  }

  void perform(const step::ExpectLayout& expected) {
    const auto actual = mac->inputSources().currentSourceID();
    if (actual != expected.id) mismatch(expected.id.value_or("none"), actual.value_or("none"));
  }

  void perform(const step::ExpectLog& expected) {
    const auto messages = mac->log().messages();
    std::vector<std::string> fresh(messages.begin() + static_cast<std::ptrdiff_t>(logSeen),
                                   messages.end());
    if (!expected.line) {
      logSeen = messages.size();
      if (!fresh.empty()) mismatch("no further log line", joined(fresh, "\n    then: ", ""));
      return;
    }
    if (fresh.empty()) return mismatch(*expected.line, "no further log line");
    ++logSeen;
    if (fresh.front() != *expected.line) mismatch(*expected.line, fresh.front());
  }

  void perform(const step::ExpectHealth& expected) {
    std::vector<EngineHealth> fresh;
    {
      std::lock_guard lock(recordsMutex);
      fresh.assign(healthChanges.begin() + static_cast<std::ptrdiff_t>(healthSeen),
                   healthChanges.end());
      healthSeen = healthChanges.size();
    }
    if (fresh == expected.changes) return;
    auto names = [](const std::vector<EngineHealth>& values) {
      std::vector<std::string> result;
      for (const auto value : values) result.emplace_back(healthName(value));
      return joined(result, " ", "none");
    };
    mismatch(names(expected.changes), names(fresh));
  }

  void perform(const step::ExpectHealthNow& expected) {
    const auto health = engine->health();
    if (health != expected.health) {
      mismatch(std::string(healthName(expected.health)), std::string(healthName(health)));
    }
  }

  void perform(const step::ExpectSwitch& expected) {
    std::optional<SwitchRecord> last;
    {
      std::lock_guard lock(recordsMutex);
      if (!switches.empty()) last = switches.back();
    }
    std::string wanted;
    if (expected.ok) wanted += std::string(" ok=") + (*expected.ok ? "true" : "false");
    if (expected.requested) wanted += " requested=" + text(*expected.requested);
    if (expected.actual) wanted += " actual=" + text(*expected.actual);
    wanted = wanted.substr(1) + " (on the main thread)";
    if (!last) return mismatch(wanted, "no switch");
    const bool same = last->onMainThread && (!expected.ok || *expected.ok == last->result.ok()) &&
                      (!expected.requested || *expected.requested == last->result.requested) &&
                      (!expected.actual || *expected.actual == last->result.actual);
    if (!same) mismatch(wanted, describe(*last));
  }

  std::unique_ptr<vmac::VirtualMac> mac;
  // Started and stopped as the program does (the Caps Lock delay lifted with that trigger).
  SwitchingEngine switching;
  std::shared_ptr<EventTapEngine> engine;

  // Written by the engine's threads and the main queue, read by the expectations.
  std::mutex recordsMutex;
  std::vector<SwitchRecord> switches;
  std::vector<EngineHealth> healthChanges;

  // What earlier expectations have already accounted for.
  std::size_t firesSeen = 0;
  std::uint64_t appSeen = 0;  // the window server's count of received events, when last read
  std::size_t typedSeen = 0;
  std::size_t logSeen = 0;
  std::size_t healthSeen = 0;

  const Step* current = nullptr;
  std::vector<Mismatch> mismatches;
};

}  // namespace

std::vector<Mismatch> playScenario(const Scenario& scenario) {
  Player player(scenario.header);
  return player.play(scenario.steps);
}

}  // namespace kestravane::scenario
