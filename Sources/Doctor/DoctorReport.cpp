#include "Doctor/DoctorReport.h"

#include <cstdio>
#include <utility>

#include "KestravaneCore/EngineState.h"
#include "KestravaneCore/Presentation.h"
#include "KestravaneCore/TriggerKeys.h"
#include "KestravaneKit/CapsLockKeyManager.h"
#include "KestravaneKit/ConfigStore.h"
#include "KestravaneKit/EngineInputsGatherer.h"
#include "KestravaneKit/GlobeKeyManager.h"
#include "KestravaneKit/LaunchAtLogin.h"
#include "KestravaneKit/MetaKeyManager.h"
#include "KestravaneKit/Permissions.h"

namespace kestravane::doctor {
namespace {

const char* grantWord(bool granted) {
  return granted ? "granted" : "not-granted";
}

std::string globeKeyValue(const std::optional<GlobeFnUsage>& usage) {
  if (!usage) return "absent";
  if (usage->isDoNothing()) return "0 do-nothing";
  return std::to_string(usage->occupiedValue().value_or(0)) + " occupied";
}

std::string capsLockSwitchingValue(const std::optional<std::int64_t>& state) {
  if (!state) return "absent";
  return std::to_string(*state) + (*state == 0 ? " off" : " on");
}

std::string joined(const std::vector<std::string>& words) {
  if (words.empty()) return "none";
  std::string text;
  for (const auto& word : words) {
    if (!text.empty()) text += ", ";
    text += word;
  }
  return text;
}

}  // namespace

Findings examine(const platform::Services& services, std::string version, std::string backend) {
  Findings findings;
  findings.version = std::move(version);
  findings.backend = std::move(backend);
  const Permissions permissions(services);
  const InputSourceSwitcher inputSources(services);
  findings.accessibility = permissions.hasAccessibility();
  findings.inputMonitoring = permissions.hasInputMonitoring();
  findings.postEventAccess = services.eventTaps->preflightPostEventAccess();
  findings.secureInput = permissions.isSecureInputActive();
  findings.layouts = inputSources.enabledSelectableSources();
  findings.currentSource = inputSources.currentSourceID();
  findings.globeKey = GlobeKeyManager(services).current();
  findings.capsLockSwitching = CapsLockKeyManager(services).current();
  findings.metaLauncher = !MetaKeyManager(services).isMetaFree();
  findings.loginItem = services.loginItems->status();
  const ConfigStore store(services);
  findings.settingsProblem = services.userDefaults->loadError();
  if (!findings.settingsProblem) findings.settingsProblem = store.storedRecordProblem();
  findings.settingsStored =
      !findings.settingsProblem && services.userDefaults->dataForKey(std::string(ConfigStore::key));
  for (const auto& key : kTriggerKeys) {
    EngineInputs inputs = gatherEngineInputs(services, key.kind);
    inputs.userEnabled = true;
    inputs.isRunning = true;
    // The system refuses the active tap of a trusted program whose entry names an older build.
    inputs.tapDisabled = findings.accessibility && !findings.postEventAccess;
    findings.inputs.push_back(inputs);
  }
  return findings;
}

namespace {

// One word of the blocking line: its health, and the trigger key it concerns (a key conflict's
// word is named with the trigger, as "globe-key(fn)").
struct Blocker {
  std::string word;
  EngineHealth health;
  std::size_t trigger;  // the index in kTriggerKeys of the inputs the rule is asked with
};

std::vector<Blocker> blockingWords() {
  std::vector<Blocker> all;
  for (const auto& [health, word] : Presentation::doctorWords()) {
    bool byTrigger = false;
    for (std::size_t i = 0; i < kTriggerKeys.size(); ++i) {
      // The conflict of the key on a Mac keyboard, or of the one standing for it on a PC's.
      for (const KeyConflict keyConflict : {kTriggerKeys[i].conflict, kTriggerKeys[i].pcConflict}) {
        const auto conflict = Presentation::conflictLook(keyConflict);
        if (!conflict || conflict->health != health) continue;
        std::string named = std::string(word) + "(" + std::string(kTriggerKeys[i].rawValue) + ")";
        if (!all.empty() && all.back().word == named) continue;
        byTrigger = true;
        all.push_back({std::move(named), health, i});
      }
    }
    if (!byTrigger) all.push_back({std::string(word), health, 0});
  }
  return all;
}

}  // namespace

std::vector<std::string> blockers(const Findings& findings) {
  std::vector<std::string> words;
  for (const auto& blocker : blockingWords()) {
    // Each rule alone, whatever ranks above it, so the report names every finding.
    if (blocker.trigger < findings.inputs.size() &&
        EngineState::holds(blocker.health, findings.inputs[blocker.trigger])) {
      words.push_back(blocker.word);
    }
  }
  return words;
}

std::vector<std::string> reportLines(const Findings& findings) {
  std::vector<std::string> lines;
  lines.push_back("plivex-doctor: " + escaped(findings.version));
  lines.push_back("backend: " + escaped(findings.backend));
  lines.push_back(std::string("accessibility: ") + grantWord(findings.accessibility));
  lines.push_back(std::string("input-monitoring: ") + grantWord(findings.inputMonitoring));
  lines.push_back(std::string("post-event-access: ") + grantWord(findings.postEventAccess));
  lines.push_back(std::string("secure-input: ") + (findings.secureInput ? "on" : "off"));
  lines.push_back("layouts: " + std::to_string(findings.layouts.size()));
  for (const auto& layout : findings.layouts) {
    std::string line = "layout: " + escaped(layout.id) + " \"" + escaped(layout.name) + "\"";
    if (findings.currentSource == layout.id) line += " current";
    lines.push_back(std::move(line));
  }
  lines.push_back("current-source: " +
                  (findings.currentSource ? escaped(*findings.currentSource) : "none"));
  lines.push_back("globe-key: " + globeKeyValue(findings.globeKey));
  lines.push_back("caps-lock-abc: " + capsLockSwitchingValue(findings.capsLockSwitching));
  lines.push_back("login-item: " + std::string(loginItemWord(findings.loginItem)));
  lines.push_back("settings: " +
                  (findings.settingsProblem
                       ? "unusable \"" + escaped(*findings.settingsProblem) + "\""
                       : std::string(findings.settingsStored ? "stored" : "default")));
  lines.push_back("blocking: " + joined(blockers(findings)));
  return lines;
}

std::string escaped(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      result += '\\';
      result += c;
    } else if (c == '\n') {
      result += "\\n";
    } else if (c == '\t') {
      result += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char code[5];
      std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned>(byte));
      result += code;
    } else {
      result += c;
    }
  }
  return result;
}

std::string_view sessionWord(SessionBlocker blocker) {
  for (const auto& row : kSessionWords) {
    if (row.blocker == blocker) return row.word;
  }
  return {};
}

std::vector<std::string> vocabularyLines() {
  std::vector<std::string> blocking;
  for (const auto& blocker : blockingWords()) blocking.push_back(blocker.word);
  for (const auto& row : kSessionWords) blocking.emplace_back(row.word);
  std::vector<std::string> loginWords;
  for (const auto& [status, loginWord] : kLoginItemWords) loginWords.emplace_back(loginWord);
  return {"blocking: " + joined(blocking), "login-item: " + joined(loginWords)};
}

}  // namespace kestravane::doctor
