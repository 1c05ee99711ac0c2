// The virtual Mac's Text Input Sources: the installed input sources in the system's order, which
// of them are enabled and select-capable, the current one, and selection as macOS performs it.
// Threads: thread-safe; every call (seam or control) takes one internal mutex. The program uses
// the seam on the main thread only; tests and the demo panel may drive the control from anywhere.
// The change observer runs on the thread that made the change, after it, with no lock held; a
// change under way while the observer is replaced may still call the old one.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/TextInputSources.h"
#include "Platform/Virtual/ChangeObserver.h"
#include "Platform/Virtual/MainQueueObserver.h"

namespace kestravane::platform::vmac {

inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus paramErr = -50;

// One installed input source as the control interface describes it.
struct InputSourceDescription {
  // kTISPropertyInputSourceID; absent models a broken source the system lists without one.
  std::optional<std::string> identifier;
  std::optional<std::string> localizedName;
  std::string type{kTISTypeKeyboardLayout};  // one of the kTISType... strings
  bool enabled = true;
  bool selectCapable = true;

  bool operator==(const InputSourceDescription&) const = default;
};

class VirtualTextInputSources final : public TextInputSources {
 public:
  // Starts with defaultSources(), "com.apple.keylayout.US" current.
  VirtualTextInputSources();
  explicit VirtualTextInputSources(std::vector<InputSourceDescription> sources,
                                   std::optional<std::string> currentIdentifier);

  // U.S. and Russian enabled; German installed but disabled; the Kotoeri Romaji input method
  // (enabled, not select-capable) with its enabled, select-capable Hiragana and Romaji modes.
  static std::vector<InputSourceDescription> defaultSources();

  // Seam.
  std::optional<std::vector<std::shared_ptr<InputSource>>> createInputSourceList(
      const InputSourceFilter& filter, bool includeAllInstalled) override;
  std::optional<std::string> stringProperty(const InputSource& source,
                                            std::string_view key) override;
  std::shared_ptr<InputSource> copyCurrentKeyboardInputSource() override;
  OSStatus selectInputSource(const InputSource& source) override;
  // Posted to the main queue after each change that setChangeObserver() hears of.
  void setSourcesChangedObserver(std::function<void()> observer) override;

  // Where the system posts its distributed notifications: the main queue.
  void setNotificationQueue(std::shared_ptr<DispatchQueue> mainQueue);

  // Control: the installed sources. Replacing or removing a source makes a new object of any
  // later source with the same identifier; references handed out earlier go stale (selecting
  // them fails). When the current source is removed or disabled, the system falls back to the
  // first enabled, select-capable keyboard layout (or to none).
  void setSources(std::vector<InputSourceDescription> sources);
  void addSource(InputSourceDescription source);  // appended at the end of the system's order
  bool removeSource(std::string_view identifier);
  bool setEnabled(std::string_view identifier, bool enabled);
  bool setSelectCapable(std::string_view identifier, bool selectCapable);
  bool setLocalizedName(std::string_view identifier, std::optional<std::string> name);
  // Moves the source to position `index` of the system's order (clamped to the end).
  bool moveSource(std::string_view identifier, std::size_t index);
  std::vector<InputSourceDescription> sources() const;

  // Control: the current source. setCurrentSource() bypasses the checks of selection (any
  // installed source, e.g. an input mode); false for an unknown identifier.
  bool setCurrentSource(std::string_view identifier);
  void clearCurrentSource();  // TISCopyCurrentKeyboardInputSource() then answers nothing
  std::optional<std::string> currentSourceID() const;

  // What the system does on a Caps Lock press while "Use the Caps Lock key to switch to and from
  // ABC" is on: from the ABC (or U.S.) layout to the most recent other enabled, select-capable
  // source (the first in the system's order when none was current yet), from any other source
  // to ABC (or U.S.). False when there is nothing to switch to.
  bool switchToOrFromABC();

  // Failure modes.
  void setListFails(bool fails);                 // the list call returns nothing at all
  void setListAppendsForeignEntry(bool append);  // each list ends with a null entry
  // While set, selecting any source changes nothing and answers `reportedStatus` (noErr for a
  // silently ignored selection, or an error status).
  void setSelectionIgnored(bool ignored, OSStatus reportedStatus = noErr);
  // The source is removed right after the next list call has built its answer.
  void vanishAfterNextList(std::string identifier);

  // Called after every change of the installed sources or of the current source: by the
  // control, by a selection that took effect, by a source vanishing after a list call.
  void setChangeObserver(std::function<void()> observer);

  // Counters.
  int listCallCount() const;
  int selectCallCount() const;

 private:
  class Source;
  class ChangeNotice;

  std::shared_ptr<Source> findLocked(std::string_view identifier) const;
  void removeLocked(std::string_view identifier);
  void fallBackIfCurrentUnusableLocked();
  void makeCurrentLocked(std::shared_ptr<Source> source);

  mutable std::mutex mutex;
  std::vector<std::shared_ptr<Source>> _sources;
  std::shared_ptr<Source> current;
  std::weak_ptr<Source> lastOther;  // the most recent current source other than ABC or U.S.
  bool listFails = false;
  bool appendForeignEntry = false;
  bool selectionIgnored = false;
  OSStatus ignoredSelectionStatus = noErr;
  std::vector<std::string> vanishAfterList;
  int listCalls = 0;
  int selectCalls = 0;
  ChangeObserver changeObserver;     // told with mutex not held
  MainQueueObserver sourcesChanged;  // the program's, told with mutex not held
};

}  // namespace kestravane::platform::vmac
