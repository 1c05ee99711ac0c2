#include "Platform/Virtual/VirtualTextInputSources.h"

#include <algorithm>
#include <utility>

namespace kestravane::platform::vmac {

// The system object behind a TISInputSourceRef. Its fields are guarded by the owning model's
// mutex; `owner` lets the model refuse references that belong to another model.
class VirtualTextInputSources::Source final : public InputSource {
 public:
  Source(const VirtualTextInputSources* model, InputSourceDescription initial)
      : owner(model), description(std::move(initial)) {}

  const VirtualTextInputSources* const owner;
  InputSourceDescription description;
  bool installed = true;
};

// Declared before a method's lock, so that it tells the observer after the lock is released.
class VirtualTextInputSources::ChangeNotice {
 public:
  explicit ChangeNotice(const VirtualTextInputSources& model) : model(model) {}
  ChangeNotice(const ChangeNotice&) = delete;
  ChangeNotice& operator=(const ChangeNotice&) = delete;
  ~ChangeNotice() {
    if (!changed) return;
    model.changeObserver.notify();
    model.sourcesChanged.notify();
  }
  void happened() { changed = true; }

 private:
  const VirtualTextInputSources& model;
  bool changed = false;
};

namespace {

bool matches(const InputSourceDescription& source, const std::string& key,
             const std::variant<bool, std::string>& wanted) {
  const auto* text = std::get_if<std::string>(&wanted);
  const auto* flag = std::get_if<bool>(&wanted);
  if (key == kTISPropertyInputSourceID) return text && source.identifier == *text;
  if (key == kTISPropertyLocalizedName) return text && source.localizedName == *text;
  if (key == kTISPropertyInputSourceType) return text && source.type == *text;
  if (key == kTISPropertyInputSourceIsEnabled) return flag && source.enabled == *flag;
  if (key == kTISPropertyInputSourceIsSelectCapable) return flag && source.selectCapable == *flag;
  // A property the source does not have never matches.
  return false;
}

bool usableAsFallback(const InputSourceDescription& source) {
  return source.enabled && source.selectCapable && source.type == kTISTypeKeyboardLayout;
}

bool selectable(const InputSourceDescription& source) {
  return source.enabled && source.selectCapable;
}

// The layout Caps Lock switches to and from: ABC, or U.S. where that is the Latin layout.
bool isRomanLayout(const InputSourceDescription& source) {
  return source.identifier == "com.apple.keylayout.ABC" ||
         source.identifier == "com.apple.keylayout.US";
}

}  // namespace

VirtualTextInputSources::VirtualTextInputSources()
    : VirtualTextInputSources(defaultSources(), "com.apple.keylayout.US") {}

VirtualTextInputSources::VirtualTextInputSources(std::vector<InputSourceDescription> sources,
                                                 std::optional<std::string> currentIdentifier) {
  setSources(std::move(sources));
  if (currentIdentifier) {
    setCurrentSource(*currentIdentifier);
  } else {
    clearCurrentSource();
  }
}

std::vector<InputSourceDescription> VirtualTextInputSources::defaultSources() {
  const std::string layout{kTISTypeKeyboardLayout};
  const std::string kotoeri = "com.apple.inputmethod.Kotoeri.RomajiTyping";
  return {
      {"com.apple.keylayout.US", "U.S.", layout, true, true},
      {"com.apple.keylayout.Russian", "Russian", layout, true, true},
      {kotoeri, "Japanese – Romaji", std::string(kTISTypeKeyboardInputMethodModeEnabled), true,
       false},
      {kotoeri + ".Japanese", "Hiragana", std::string(kTISTypeKeyboardInputMode), true, true},
      {kotoeri + ".Roman", "Romaji", std::string(kTISTypeKeyboardInputMode), true, true},
      {"com.apple.keylayout.German", "German", layout, false, true},
  };
}

std::optional<std::vector<std::shared_ptr<InputSource>>>
VirtualTextInputSources::createInputSourceList(const InputSourceFilter& filter,
                                               bool includeAllInstalled) {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  ++listCalls;
  std::optional<std::vector<std::shared_ptr<InputSource>>> result;
  if (!listFails) {
    result.emplace();
    for (const auto& source : _sources) {
      if (!includeAllInstalled && !source->description.enabled) continue;
      const bool all = std::all_of(filter.begin(), filter.end(), [&](const auto& entry) {
        return matches(source->description, entry.first, entry.second);
      });
      if (all) result->push_back(source);
    }
    if (appendForeignEntry) result->push_back(nullptr);
  }
  for (const auto& identifier : std::exchange(vanishAfterList, {})) {
    removeLocked(identifier);
    notice.happened();
  }
  return result;
}

std::optional<std::string> VirtualTextInputSources::stringProperty(const InputSource& source,
                                                                   std::string_view key) {
  const auto* own = dynamic_cast<const Source*>(&source);
  if (own == nullptr || own->owner != this) return std::nullopt;
  std::lock_guard lock(mutex);
  if (key == kTISPropertyInputSourceID) return own->description.identifier;
  if (key == kTISPropertyLocalizedName) return own->description.localizedName;
  if (key == kTISPropertyInputSourceType) return own->description.type;
  return std::nullopt;
}

std::shared_ptr<InputSource> VirtualTextInputSources::copyCurrentKeyboardInputSource() {
  std::lock_guard lock(mutex);
  return current;
}

OSStatus VirtualTextInputSources::selectInputSource(const InputSource& source) {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  ++selectCalls;
  const auto* own = dynamic_cast<const Source*>(&source);
  if (own == nullptr || own->owner != this || !own->installed) return paramErr;
  if (!own->description.enabled || !own->description.selectCapable) return paramErr;
  if (selectionIgnored) return ignoredSelectionStatus;
  for (const auto& candidate : _sources) {
    if (candidate.get() == own) makeCurrentLocked(candidate);
  }
  notice.happened();
  return noErr;
}

bool VirtualTextInputSources::switchToOrFromABC() {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  std::shared_ptr<Source> target;
  if (current && isRomanLayout(current->description)) {
    target = lastOther.lock();
    if (target && !(target->installed && selectable(target->description))) target = nullptr;
    for (auto it = _sources.begin(); !target && it != _sources.end(); ++it) {
      if (selectable((*it)->description) && !isRomanLayout((*it)->description)) target = *it;
    }
  } else {
    for (auto it = _sources.begin(); !target && it != _sources.end(); ++it) {
      if (selectable((*it)->description) && isRomanLayout((*it)->description)) target = *it;
    }
  }
  if (!target || target == current) return false;
  makeCurrentLocked(std::move(target));
  notice.happened();
  return true;
}

void VirtualTextInputSources::setSources(std::vector<InputSourceDescription> sources) {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  notice.happened();
  const bool hadCurrent = current != nullptr;
  std::optional<std::string> currentIdentifier =
      current ? current->description.identifier : std::nullopt;
  for (auto& old : _sources) old->installed = false;
  _sources.clear();
  for (auto& description : sources) {
    _sources.push_back(std::make_shared<Source>(this, std::move(description)));
  }
  // The current source keeps being current when a source of the same identifier is installed.
  makeCurrentLocked(currentIdentifier ? findLocked(*currentIdentifier) : nullptr);
  if (hadCurrent) fallBackIfCurrentUnusableLocked();
}

void VirtualTextInputSources::addSource(InputSourceDescription source) {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  notice.happened();
  _sources.push_back(std::make_shared<Source>(this, std::move(source)));
}

bool VirtualTextInputSources::removeSource(std::string_view identifier) {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  if (!findLocked(identifier)) return false;
  notice.happened();
  removeLocked(identifier);
  return true;
}

bool VirtualTextInputSources::setEnabled(std::string_view identifier, bool enabled) {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  auto source = findLocked(identifier);
  if (!source) return false;
  notice.happened();
  source->description.enabled = enabled;
  fallBackIfCurrentUnusableLocked();
  return true;
}

bool VirtualTextInputSources::setSelectCapable(std::string_view identifier, bool selectCapable) {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  auto source = findLocked(identifier);
  if (!source) return false;
  notice.happened();
  source->description.selectCapable = selectCapable;
  return true;
}

bool VirtualTextInputSources::setLocalizedName(std::string_view identifier,
                                               std::optional<std::string> name) {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  auto source = findLocked(identifier);
  if (!source) return false;
  notice.happened();
  source->description.localizedName = std::move(name);
  return true;
}

bool VirtualTextInputSources::moveSource(std::string_view identifier, std::size_t index) {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  auto source = findLocked(identifier);
  if (!source) return false;
  notice.happened();
  std::erase(_sources, source);
  const auto position = static_cast<std::ptrdiff_t>(std::min(index, _sources.size()));
  _sources.insert(_sources.begin() + position, source);
  return true;
}

std::vector<InputSourceDescription> VirtualTextInputSources::sources() const {
  std::lock_guard lock(mutex);
  std::vector<InputSourceDescription> result;
  for (const auto& source : _sources) result.push_back(source->description);
  return result;
}

bool VirtualTextInputSources::setCurrentSource(std::string_view identifier) {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  auto source = findLocked(identifier);
  if (!source) return false;
  notice.happened();
  makeCurrentLocked(std::move(source));
  return true;
}

void VirtualTextInputSources::clearCurrentSource() {
  ChangeNotice notice(*this);
  std::lock_guard lock(mutex);
  notice.happened();
  current = nullptr;
}

std::optional<std::string> VirtualTextInputSources::currentSourceID() const {
  std::lock_guard lock(mutex);
  return current ? current->description.identifier : std::nullopt;
}

void VirtualTextInputSources::setListFails(bool fails) {
  std::lock_guard lock(mutex);
  listFails = fails;
}

void VirtualTextInputSources::setListAppendsForeignEntry(bool append) {
  std::lock_guard lock(mutex);
  appendForeignEntry = append;
}

void VirtualTextInputSources::setSelectionIgnored(bool ignored, OSStatus reportedStatus) {
  std::lock_guard lock(mutex);
  selectionIgnored = ignored;
  ignoredSelectionStatus = reportedStatus;
}

void VirtualTextInputSources::vanishAfterNextList(std::string identifier) {
  std::lock_guard lock(mutex);
  vanishAfterList.push_back(std::move(identifier));
}

void VirtualTextInputSources::setChangeObserver(std::function<void()> observer) {
  changeObserver.set(std::move(observer));
}

void VirtualTextInputSources::setSourcesChangedObserver(std::function<void()> observer) {
  sourcesChanged.set(std::move(observer));
}

void VirtualTextInputSources::setNotificationQueue(std::shared_ptr<DispatchQueue> mainQueue) {
  sourcesChanged.setQueue(std::move(mainQueue));
}

int VirtualTextInputSources::listCallCount() const {
  std::lock_guard lock(mutex);
  return listCalls;
}

int VirtualTextInputSources::selectCallCount() const {
  std::lock_guard lock(mutex);
  return selectCalls;
}

std::shared_ptr<VirtualTextInputSources::Source> VirtualTextInputSources::findLocked(
    std::string_view identifier) const {
  for (const auto& source : _sources) {
    if (source->description.identifier == identifier) return source;
  }
  return nullptr;
}

void VirtualTextInputSources::removeLocked(std::string_view identifier) {
  std::erase_if(_sources, [&](const std::shared_ptr<Source>& source) {
    if (source->description.identifier != identifier) return false;
    source->installed = false;
    return true;
  });
  fallBackIfCurrentUnusableLocked();
}

void VirtualTextInputSources::fallBackIfCurrentUnusableLocked() {
  if (current && current->installed && current->description.enabled) return;
  current = nullptr;
  for (const auto& source : _sources) {
    if (usableAsFallback(source->description)) {
      makeCurrentLocked(source);
      return;
    }
  }
}

void VirtualTextInputSources::makeCurrentLocked(std::shared_ptr<Source> source) {
  current = std::move(source);
  if (current && !isRomanLayout(current->description)) lastOther = current;
}

}  // namespace kestravane::platform::vmac
