// Writes PNG pictures of the interface as a user sees it, for people to look at: the menu for
// every health, the settings window (also with the login item awaiting approval and the key
// tester without Input Monitoring) and the onboarding window, in English and Russian. Each
// picture comes from a virtual Mac arranged into that state, the real controller and the real
// widgets; and the menu-bar icons on a light and a dark panel. Usage: plivex-screenshots DIR (any
// Qt platform: offscreen, or xcb under Xvfb).
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "Kestravane/AppController.h"
#include "Kestravane/MenuContent.h"
#include "Kestravane/Ui/MenuBarExtra.h"
#include "Kestravane/Ui/PlivexApp.h"
#include "Kestravane/Ui/QtOnboardingWindowHost.h"
#include "Kestravane/Ui/SettingsWindow.h"
#include "Kestravane/Ui/SymbolIcon.h"
#include "KestravaneCore/PlivexConfig.h"
#include "KestravaneKit/ConfigStore.h"
#include "Platform/Virtual/VirtualMac.h"
#include "SavePicture.h"
#include "Support/UnswitchableSources.h"

namespace {

using kestravane::screenshots::save;

using kestravane::AppController;
using kestravane::AppLanguage;
using kestravane::EngineHealth;
using kestravane::PlivexApp;
using kestravane::TriggerKind;
using kestravane::platform::vmac::VirtualMac;

using kestravane::platform::Services;

constexpr const char* kRussianLayout = "com.apple.keylayout.Russian";

// One state of the program: a virtual Mac arranged as `arrange` says, with the controller and
// the interface on it.
class Scene {
 public:
  // `desktop` makes the same system a Linux desktop's (a PC's keyboard, its own words).
  Scene(TriggerKind trigger, AppLanguage language, const std::function<void(VirtualMac&)>& arrange,
        kestravane::platform::vmac::VirtualMacOptions options = {},
        const std::function<void(Services&)>& desktop = {})
      : mac(std::move(options)) {
    kestravane::ConfigStore(*mac.services())
        .save(kestravane::PlivexConfig(trigger, language, false));
    arrange(mac);
    auto services = std::make_shared<Services>(*mac.services());
    if (desktop) desktop(*services);
    controller = AppController::create(std::move(services));
    app = std::make_unique<PlivexApp>(controller);
    settle();
  }
  ~Scene() {
    app.reset();
    controller->stopKeyTest();
    controller.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Lets the posted work (the onboarding check, redraws) and Qt's events run.
  void settle() {
    for (int i = 0; i < 3; ++i) {
      mac.dispatch().runPending();
      QApplication::processEvents();
    }
  }

  VirtualMac mac;
  std::shared_ptr<AppController> controller;
  std::unique_ptr<PlivexApp> app;
};

const char* languageName(AppLanguage language) {
  return language == AppLanguage::ru ? "ru" : "en";
}

void x11Desktop(Services& services) {
  services.pcKeyboard = true;
}

void waylandDesktop(Services& services) {
  services.pcKeyboard = true;
  services.waylandSession = true;
}

bool saveMenu(Scene& state, const QString& path) {
  return kestravane::screenshots::saveMenu(state.controller, *state.app, path);
}

struct HealthScene {
  const char* name;
  EngineHealth health;
  TriggerKind trigger;
  std::function<void(VirtualMac&)> arrange;
  std::function<void(AppController&)> afterStart;
};

// Both trigger keys that the system may also use are free.
void freeTriggerKeys(VirtualMac& mac) {
  mac.preferences().setFnUsageType(0);
  mac.preferences().setRomanSwitchState(0);
}

std::vector<HealthScene> healthScenes() {
  const auto ready = [](VirtualMac& mac) {
    mac.grantAllPermissions();
    freeTriggerKeys(mac);
  };
  const auto trustedOnly = [](VirtualMac& mac) {
    mac.permissions().setAccessibilityTrusted(true);
    freeTriggerKeys(mac);
  };
  const auto nothing = [](AppController&) {};
  return {
      {"active", EngineHealth::active, TriggerKind::fn, ready, nothing},
      {"disabled", EngineHealth::disabled, TriggerKind::fn, ready,
       [](AppController& controller) { controller.toggleEnabled(); }},
      {"needsLayouts", EngineHealth::needsLayouts, TriggerKind::capsLock,
       [ready](VirtualMac& mac) {
         ready(mac);
         mac.inputSources().setEnabled(kRussianLayout, false);
       },
       nothing},
      // The controller never publishes this health (a missing Input Monitoring shows as a
      // failed start), so its menu is drawn from a state that says it.
      {"noInputMonitoring", EngineHealth::noInputMonitoring, TriggerKind::capsLock, trustedOnly,
       nothing},
      {"noAccessibility", EngineHealth::noAccessibility, TriggerKind::fn, [](VirtualMac&) {},
       nothing},
      {"tapDisabled", EngineHealth::tapDisabled, TriggerKind::capsLock, trustedOnly, nothing},
      {"globeNotFree", EngineHealth::globeNotFree, TriggerKind::fn,
       [](VirtualMac& mac) {
         mac.grantAllPermissions();
         mac.preferences().setFnUsageType(2);
       },
       nothing},
      {"capsLockNotFree", EngineHealth::capsLockNotFree, TriggerKind::capsLock,
       [ready](VirtualMac& mac) {
         ready(mac);
         mac.preferences().setRomanSwitchState(1);
       },
       nothing},
      {"secureInput", EngineHealth::secureInput, TriggerKind::rightCommand,
       [ready](VirtualMac& mac) {
         ready(mac);
         mac.permissions().setSecureInput(true);
       },
       nothing},
  };
}

bool menus(const QDir& dir, AppLanguage language) {
  bool ok = true;
  for (const auto& scene : healthScenes()) {
    Scene state(scene.trigger, language, scene.arrange);
    scene.afterStart(*state.controller);
    state.settle();
    const kestravane::MenuContent content(state.controller, [] {});
    auto now = content.currentState();
    if (now.health != scene.health && scene.health != EngineHealth::noInputMonitoring) {
      std::printf("FAILED the %s scene shows another health\n", scene.name);
      ok = false;
    }
    now.health = scene.health;
    QMenu& menu = *state.app->menuBarExtra().menu();
    // Shown as the tray shows it, then filled with the scene's items.
    menu.popup(QPoint(40, 40));
    kestravane::ui::MenuBarExtra::fill(menu, content.build(now));
    menu.adjustSize();
    QApplication::processEvents();
    ok &=
        save(menu, dir.filePath(QString("menu-%1-%2.png").arg(scene.name, languageName(language))));
    menu.hide();
  }
  return ok;
}

// The settings window on a fresh scene, then the onboarding window its start-up opened.
bool settingsThenOnboarding(TriggerKind trigger, AppLanguage language,
                            const std::function<void(VirtualMac&)>& arrange,
                            const QString& settingsPath, const QString& onboardingPath) {
  Scene state(trigger, language, arrange);
  auto& window = state.app->settingsWindow();
  window.present();
  state.settle();
  const bool settingsSaved = save(window, settingsPath);
  auto* onboarding = state.app->windowHost().lastWindow();
  if (!onboarding) {
    std::printf("FAILED no onboarding window for %s\n", qPrintable(onboardingPath));
    return false;
  }
  return save(*onboarding, onboardingPath) && settingsSaved;
}

bool windows(const QDir& dir, AppLanguage language) {
  bool ok = true;
  const QString suffix = QString("-%1.png").arg(languageName(language));
  {
    Scene state(TriggerKind::fn, language, [](VirtualMac& mac) {
      mac.grantAllPermissions();
      freeTriggerKeys(mac);
    });
    auto& window = state.app->settingsWindow();
    window.present();
    state.settle();
    ok &= save(window, dir.filePath("settings-active" + suffix));
    state.controller->startKeyTest();
    state.mac.keyboard().press(kestravane::platform::vmac::keycode::function);
    for (int i = 0; i < 50 && state.controller->lastTestedKey().empty(); ++i) {
      state.mac.dispatch().waitForWork(std::chrono::milliseconds(20));
      state.settle();
    }
    state.mac.keyboard().release(kestravane::platform::vmac::keycode::function);
    state.settle();
    ok &= save(window, dir.filePath("settings-keytest" + suffix));
  }
  {
    // Settings that cannot be stored: the settings file's folder is no folder.
    kestravane::platform::vmac::VirtualMacOptions options;
    options.defaultsFile = "/dev/null/plivex/defaults.json";
    Scene state(
        TriggerKind::fn, language,
        [](VirtualMac& mac) {
          mac.grantAllPermissions();
          freeTriggerKeys(mac);
        },
        options);
    state.controller->apply({TriggerKind::fn, language, false});
    state.settle();
    auto& window = state.app->settingsWindow();
    window.present();
    state.settle();
    ok &= save(window, dir.filePath("settings-saveFailed" + suffix));
    window.close();
    ok &= saveMenu(state, dir.filePath("menu-saveFailed" + suffix));
  }
  {
    // The login item registered but waiting for the user's approval in System Settings.
    Scene state(TriggerKind::fn, language, [](VirtualMac& mac) {
      mac.grantAllPermissions();
      freeTriggerKeys(mac);
      mac.loginItems().setStatus(kestravane::platform::LoginItemStatus::requiresApproval);
    });
    auto& window = state.app->settingsWindow();
    window.present();
    state.settle();
    ok &= save(window, dir.filePath("settings-loginApproval" + suffix));
  }
  // Accessibility without Input Monitoring: the key tester cannot listen, on a Mac and on a
  // Linux desktop (where the X server's XInput 2 stands for it).
  for (const bool pc : {false, true}) {
    Scene state(
        TriggerKind::fn, language,
        [](VirtualMac& mac) {
          mac.permissions().setAccessibilityTrusted(true);
          freeTriggerKeys(mac);
        },
        {}, pc ? x11Desktop : std::function<void(Services&)>{});
    auto& window = state.app->settingsWindow();
    window.present();
    state.settle();
    ok &= save(window, dir.filePath(QString(pc ? "settings-keyTesterNoXInput"
                                               : "settings-keyTesterNoInputMonitoring") +
                                    suffix));
  }
  ok &= settingsThenOnboarding(
      TriggerKind::fn, language, [](VirtualMac&) {},
      dir.filePath("settings-noAccessibility" + suffix), dir.filePath("onboarding-start" + suffix));
  {
    // A Wayland session where the keyboards' devices cannot be read (no `input` group).
    Scene state(TriggerKind::capsLock, language, freeTriggerKeys, {}, waylandDesktop);
    ok &= saveMenu(state, dir.filePath("menu-waylandNoKeyboards" + suffix));
    auto* onboarding = state.app->windowHost().lastWindow();
    ok &= onboarding && save(*onboarding, dir.filePath("onboarding-waylandStart" + suffix));
    auto& window = state.app->settingsWindow();
    window.present();
    state.settle();
    ok &= save(window, dir.filePath("settings-waylandNoKeyboards" + suffix));
  }
  {
    // A Wayland desktop that Plivex cannot switch.
    Scene state(
        TriggerKind::capsLock, language,
        [](VirtualMac& mac) {
          mac.grantAllPermissions();
          freeTriggerKeys(mac);
        },
        {},
        [](Services& services) {
          waylandDesktop(services);
          services.inputSources =
              std::make_shared<kestravane::testing_support::UnswitchableSources>(
                  services.inputSources);
        });
    ok &= saveMenu(state, dir.filePath("menu-waylandUnswitchable" + suffix));
    auto& window = state.app->settingsWindow();
    window.present();
    state.settle();
    ok &= save(window, dir.filePath("settings-waylandUnswitchable" + suffix));
  }
  // A Mac where the system still switches to and from ABC with Caps Lock, as it ships.
  ok &= settingsThenOnboarding(
      TriggerKind::capsLock, language, [](VirtualMac& mac) { mac.grantAllPermissions(); },
      dir.filePath("settings-capsLockNotFree" + suffix),
      dir.filePath("onboarding-capsLock" + suffix));
  {
    Scene state(TriggerKind::capsLock, language, [](VirtualMac& mac) {
      mac.permissions().setAccessibilityTrusted(true);
      mac.preferences().setRomanSwitchState(0);
      mac.inputSources().setEnabled(kRussianLayout, false);
    });
    auto* onboarding = state.app->windowHost().lastWindow();
    if (!onboarding) return false;
    ok &= save(*onboarding, dir.filePath("onboarding-layouts" + suffix));
    state.mac.grantAllPermissions();
    state.mac.inputSources().setEnabled(kRussianLayout, true);
    state.mac.dispatch().runPending();
    state.controller->reconcile();
    state.settle();
    ok &= save(*onboarding, dir.filePath("onboarding-allSet" + suffix));
  }
  return ok;
}

// The menu-bar icons at a panel's size and larger, on a light and on a dark panel.
bool icons(const QDir& dir) {
  bool ok = true;
  for (const char* name : {"keyboard.fill", "keyboard", "exclamationmark.triangle.fill"}) {
    const QIcon icon = kestravane::symbolIcon(name);
    QPixmap strip(2 * (22 + 48 + 24), 64);
    QPainter painter(&strip);
    int x = 0;
    for (const QColor panel : {QColor(0xee, 0xee, 0xee), QColor(0x22, 0x22, 0x22)}) {
      painter.fillRect(x, 0, 94, 64, panel);
      painter.drawPixmap(x + 8, 21, icon.pixmap(22));
      painter.drawPixmap(x + 38, 8, icon.pixmap(48));
      x += 94;
    }
    painter.end();
    const QString path = dir.filePath(QString("icon-%1.png").arg(name));
    const bool saved = !icon.isNull() && strip.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    ok &= saved;
  }
  return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(".")) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  bool ok = icons(dir);
  for (const auto language : {AppLanguage::en, AppLanguage::ru}) {
    ok &= menus(dir, language);
    ok &= windows(dir, language);
  }
  return ok ? 0 : 1;
}
