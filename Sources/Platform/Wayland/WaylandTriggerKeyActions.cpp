#include "Platform/Wayland/WaylandTriggerKeyActions.h"

#include <algorithm>
#include <utility>

#include "KestravaneCore/TriggerKeys.h"
#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/Wayland/WaylandLogLines.h"

namespace kestravane::platform::wayland {
namespace {

constexpr std::string_view kHeader = "plivex withheld option 1\n";
constexpr std::string_view kRecordPrefix = "withheld-option-";

std::filesystem::path recordFileIn(const std::filesystem::path& folder,
                                   const DesktopKeyOptions* options) {
  if (folder.empty() || options == nullptr) return {};
  return folder / (std::string(kRecordPrefix) + std::string(options->desktop()));
}

// The value of the line "name value", empty when absent.
std::optional<std::string_view> field(std::string_view text, std::string_view name) {
  const std::string prefix = "\n" + std::string(name) + " ";
  const auto at = text.find(prefix);
  if (at == std::string_view::npos) {
    const std::string bare = "\n" + std::string(name) + "\n";
    if (text.find(bare) != std::string_view::npos) return std::string_view{};
    return std::nullopt;
  }
  const auto start = at + prefix.size();
  return text.substr(start, text.find('\n', start) - start);
}

}  // namespace

WaylandTriggerKeyActions::WaylandTriggerKeyActions(std::shared_ptr<DesktopKeyOptions> options,
                                                   std::filesystem::path stateDirectory,
                                                   std::shared_ptr<Log> log)
    : options(std::move(options)),
      _recordFile(recordFileIn(stateDirectory, this->options.get())),
      log(std::move(log)) {
  if (_recordFile.empty()) return;
  const auto text = desktop::readSmallFile(_recordFile);
  if (!text) return;
  const auto record = parse(*text);
  // A note the desktop could not act on stays for the next start.
  if (record && !restore(*record)) return;
  if (record) this->log->log(std::string(logline::kGivenBackAfterEarlierRun) + record->option);
  desktop::removeFile(_recordFile);
}

WaylandTriggerKeyActions::~WaylandTriggerKeyActions() {
  giveBack();
}

std::optional<WaylandTriggerKeyActions::Record> WaylandTriggerKeyActions::parse(
    std::string_view text) {
  if (!text.starts_with(kHeader)) return std::nullopt;
  const std::string_view body = text.substr(kHeader.size() - 1);  // keeps the leading newline
  const auto option = field(body, "option");
  const auto before = field(body, "before");
  if (!option || option->empty() || !before) return std::nullopt;
  return Record{std::string(*option), parseXkbOptions(*before)};
}

std::vector<WaylandTriggerKeyActions::Note> WaylandTriggerKeyActions::notesIn(
    const std::filesystem::path& folder) {
  std::vector<Note> notes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (!entry.path().filename().string().starts_with(kRecordPrefix)) continue;
    const auto text = desktop::readSmallFile(entry.path());
    if (const auto record = text ? parse(*text) : std::nullopt) {
      notes.push_back({entry.path(), record->option});
    }
  }
  std::ranges::sort(notes, {}, &Note::file);
  return notes;
}

bool WaylandTriggerKeyActions::withhold(std::int64_t keyCode) {
  giveBack();
  if (withheld) return false;  // the earlier option is still in; giveBack() said why
  // A desktop without options of its own to set leaves every key its action: nothing is taken,
  // and nothing failed.
  if (!options) return true;
  const TriggerKey* key = triggerKeyWithCode(keyCode);
  if (key == nullptr || key->xkbOption.empty()) return true;
  const std::string option(key->xkbOption);
  const auto fail = [&](const std::string& reason) {
    log->log(std::string(logline::kWithholdFailed) + option + ": " + reason);
    return false;
  };
  if (_recordFile.empty()) return fail("no folder to keep a note in");
  const auto current = options->read();
  if (!current) return fail("the desktop does not say its keyboard options");
  const std::string note =
      std::string(kHeader) + "option " + option + "\nbefore " + joinXkbOptions(*current) + "\n";
  if (const auto problem = desktop::writeFileAtomically(_recordFile, note)) return fail(*problem);
  if (const auto problem = options->write(withOption(*current, option))) {
    desktop::removeFile(_recordFile);
    return fail(*problem);
  }
  withheld = option;
  before = *current;
  return true;
}

void WaylandTriggerKeyActions::giveBack() {
  if (!withheld) return;
  // Where the desktop cannot take the option out now, it stays withheld and noted: the next
  // withhold, the destruction or the next start tries again.
  if (!restore(Record{*withheld, before})) return;
  desktop::removeFile(_recordFile);
  withheld.reset();
}

bool WaylandTriggerKeyActions::restore(const Record& record) {
  const auto fail = [&](std::string_view reason) {
    log->log(std::string(logline::kGiveBackFailed) + record.option + ": " + std::string(reason));
    return false;
  };
  const auto now = options->read();
  if (!now) return fail("the desktop does not say its keyboard options");
  const auto problem = options->write(withoutOption(*now, record.before, record.option));
  return problem ? fail(*problem) : true;
}

}  // namespace kestravane::platform::wayland
