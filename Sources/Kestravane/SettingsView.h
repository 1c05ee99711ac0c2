// The settings window's content: the status with its remedies, the trigger key, the layouts of
// the cycle, the interface language, launch at login and the key tester, ending with a Cancel /
// Done bar. The status and key-tester controls act on the controller at once; the trigger, the
// language and the login flag are pending values kept here, taken from the controller each time
// the window appears and handed to it only by Done. The texts follow the applied language, not
// the pending one. Pending values are published, so the window redraws when they change.
// Threads: main thread only.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "Kestravane/AppController.h"
#include "Kestravane/ObservableObject.h"
#include "Kestravane/Published.h"
#include "Kestravane/ViewNode.h"
#include "KestravaneCore/PlivexConfig.h"
#include "KestravaneCore/Strings.h"
#include "Platform/Services.h"

namespace kestravane {

class SettingsView final : public ObservableObject {
 public:
  static constexpr int kWidth = 460;
  static constexpr int kLanguagePopUpWidth = 160;
  // The trigger picker's options, in order; the labels are the same in every language.
  static constexpr std::array<std::pair<TriggerKind, std::string_view>, 3> kTriggerOptions{{
      {TriggerKind::fn, "Fn / 🌐"},
      {TriggerKind::capsLock, "Caps Lock"},
      {TriggerKind::rightCommand, "Right ⌘"},
  }};
  // The second Accessibility button keeps this label in every language.
  static constexpr std::string_view kOpenSettingsLabel = "Open settings…";

  // `dismiss` closes the window; the window runs disappear() when it goes away.
  SettingsView(std::shared_ptr<AppController> controller, std::function<void()> dismiss);

  // Pending values.
  TriggerKind trigger() const { return _trigger.get(); }
  AppLanguage lang() const { return _lang.get(); }
  bool launch() const { return _launch.get(); }
  void setTrigger(TriggerKind trigger) { _trigger.set(trigger); }
  void setLang(AppLanguage language) { _lang.set(language); }
  void setLaunch(bool launch) { _launch.set(launch); }

  // Each time the window is shown: the activation policy becomes regular, the application comes
  // forward, the controller reconciles, and the pending values are taken afresh (the login flag
  // from the system's registration, not from the stored configuration).
  void appear();
  // When the window goes away, by any path: the key test ends and the policy returns to
  // accessory. Does nothing unless the window appeared since it last went away.
  void disappear();

  // Cancel (Escape): dismiss only, dropping the pending values.
  void cancel() const;
  // Done (Return): apply the pending values, then dismiss.
  void done() const;

  // "v" followed by the bundle's short version, or by "—" when there is none or it is no text.
  std::string versionText() const;
  // The layouts line, e.g. "Layouts: U.S. ⇄ Russian"; "—" for an empty cycle.
  std::string layoutsLine(const Strings& texts) const;
  // The texts in the applied interface language.
  Strings texts() const;

  // The content as it is now; its actions act on this view and the controller.
  ViewNode build();

 private:
  ViewNode statusSection(const Strings& s) const;
  ViewNode triggerSection(const Strings& s);
  ViewNode preferencesSection(const Strings& s);
  ViewNode keyTesterSection(const Strings& s) const;

  const std::shared_ptr<AppController> controller;
  const std::shared_ptr<const platform::Services> services;
  const std::function<void()> dismiss;
  bool shown = false;

  Published<TriggerKind> _trigger{*this, TriggerKind::fn};
  Published<AppLanguage> _lang{*this, AppLanguage::en};
  Published<bool> _launch{*this, false};
};

}  // namespace kestravane
