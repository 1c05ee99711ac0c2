// The virtual Mac's Core Foundation preferences: values per user, host, domain and key, with the
// process-local cache of CFPreferences. What another process writes (System Settings changing
// the Globe key) reaches copyValue() only after appSynchronize() of that domain.
// Threads: any thread. The stored-values observer runs on the thread that made the change, after
// it, with no lock held.
// Locks: one internal mutex around every call.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

#include "Platform/Preferences.h"
#include "Platform/Virtual/ChangeObserver.h"

namespace kestravane::platform::vmac {

inline constexpr const char* kHIToolboxDomain = "com.apple.HIToolbox";
inline constexpr const char* kFnUsageTypeKey = "AppleFnUsageType";
// "Use the Caps Lock key to switch to and from ABC", in the global domain.
inline constexpr const char* kGlobalDomain = kPreferencesAnyApplication;
inline constexpr const char* kRomanSwitchStateKey = "TISRomanSwitchState";

class VirtualPreferences final : public Preferences {
 public:
  // Starts empty: "com.apple.HIToolbox" has no "AppleFnUsageType" and the global domain no
  // "TISRomanSwitchState", as for a user who never touched either setting.
  VirtualPreferences() = default;

  // Seam.
  bool appSynchronize(const std::string& applicationID) override;
  std::optional<PropertyValue> copyValue(const std::string& key, const std::string& applicationID,
                                         PreferencesUser user, PreferencesHost host) override;

  // Control. Values are kept separately for every (user, host) pair, as CFPreferences does;
  // the control calls default to (current user, any host), the pair the program reads.
  // setValue/removeValue change the stored value and this process's view at once.
  void setValue(const std::string& domain, const std::string& key, PropertyValue value,
                PreferencesUser user = PreferencesUser::currentUser,
                PreferencesHost host = PreferencesHost::anyHost);
  void removeValue(const std::string& domain, const std::string& key,
                   PreferencesUser user = PreferencesUser::currentUser,
                   PreferencesHost host = PreferencesHost::anyHost);
  // What another process does: the stored value changes; this process sees it after the next
  // appSynchronize() of the domain.
  void writeFromOtherProcess(const std::string& domain, const std::string& key, PropertyValue value,
                             PreferencesUser user = PreferencesUser::currentUser,
                             PreferencesHost host = PreferencesHost::anyHost);
  void removeFromOtherProcess(const std::string& domain, const std::string& key,
                              PreferencesUser user = PreferencesUser::currentUser,
                              PreferencesHost host = PreferencesHost::anyHost);
  // The user choosing what the Globe key does in System Settings (absent: never chosen). Written
  // as System Settings writes it, so it is seen after the next synchronize.
  void setFnUsageType(std::optional<std::int64_t> value);
  // The same for the Caps Lock key's switching to and from ABC (1 on, 0 off, absent: never
  // chosen, which macOS treats as on).
  void setRomanSwitchState(std::optional<std::int64_t> value);
  // Whether the system itself switches to and from ABC on Caps Lock, as it reads the stored
  // value: on unless the value is a number or boolean that is zero.
  bool romanSwitchOn() const;
  // The stored value (what a fresh process would read), regardless of this process's cache.
  std::optional<PropertyValue> storedValue(const std::string& domain, const std::string& key,
                                           PreferencesUser user = PreferencesUser::currentUser,
                                           PreferencesHost host = PreferencesHost::anyHost) const;

  // Called after every change of a stored value (what storedValue() reads).
  void setStoredValuesObserver(std::function<void()> observer);

  // While set, appSynchronize() answers false and refreshes nothing.
  void setSynchronizeFails(bool fails);
  int synchronizeCount(const std::string& domain) const;

 private:
  using Key = std::tuple<PreferencesUser, PreferencesHost, std::string, std::string>;
  using Values = std::map<Key, PropertyValue>;

  Values stored;  // what cfprefsd holds
  Values cache;   // what this process sees
  std::map<std::string, int> synchronizeCounts;
  bool synchronizeFails = false;
  mutable std::mutex mutex;
  ChangeObserver storedValuesObserver;  // told with mutex not held
};

}  // namespace kestravane::platform::vmac
