// Writes PNG pictures of the menu, the settings window and the onboarding window as a Linux user
// sees them on the X11 backend: the real platform on the X server of $DISPLAY, whose keymap the
// tool sets for each scene (two layouts; one layout; Caps Lock switching layouts by an XKB
// option, on GNOME and on a desktop without a keyboard-settings program; KDE's launcher on the
// Meta key), the real controller and
// the real widgets, in English and Russian. Run it under an X server of its own
// (scripts/screenshots.sh starts Xvfb for it): it changes that server's keymap. Usage:
// plivex-x11-shot DIR
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Kestravane/AppController.h"
#include "Kestravane/MenuContent.h"
#include "Kestravane/Ui/MenuBarExtra.h"
#include "Kestravane/Ui/PlivexApp.h"
#include "Kestravane/Ui/QtOnboardingWindowHost.h"
#include "Kestravane/Ui/SettingsWindow.h"
#include "KestravaneCore/PlivexConfig.h"
#include "KestravaneKit/ConfigStore.h"
#include "SavePicture.h"
// Last: Xlib's macros would break the Qt headers above.
#include "Platform/X11/X11Platform.h"

namespace {

using kestravane::screenshots::save;

using kestravane::AppController;
using kestravane::AppLanguage;
using kestravane::PlivexApp;
using kestravane::TriggerKind;
using kestravane::platform::x11::X11Platform;

// One state: the keymap loaded by `setxkbmap`, the X11 platform on it, the controller and the
// interface.
class Scene {
 public:
  Scene(const QString& folder, const std::string& keymap, TriggerKind trigger, AppLanguage language,
        kestravane::platform::desktop::DesktopWorkspace::Desktop desktop) {
    ok = std::system(("setxkbmap " + keymap).c_str()) == 0;
    kestravane::platform::x11::X11PlatformOptions options;
    options.desktop = std::move(desktop);
    options.kwinrc = (folder + "/kwinrc").toStdString();
    options.stateDirectory = (folder + "/state").toStdString();
    options.autostartEntry = (folder + "/autostart/plivex.desktop").toStdString();
    platform = X11Platform::open(options);
    if (!platform) {
      ok = false;
      return;
    }
    kestravane::ConfigStore(*platform->services())
        .save(kestravane::PlivexConfig(trigger, language, false));
    controller = AppController::create(platform->services());
    app = std::make_unique<PlivexApp>(controller);
    settle();
  }
  ~Scene() {
    app.reset();
    if (controller) {
      controller->stopKeyTest();
      controller->stopEngine();
      controller.reset();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Lets the posted work (the onboarding check, redraws) and Qt's events run.
  void settle() {
    for (int i = 0; i < 3; ++i) {
      platform->dispatch().runPending();
      QApplication::processEvents();
    }
  }

  bool ok = false;
  std::unique_ptr<X11Platform> platform;
  std::shared_ptr<AppController> controller;
  std::unique_ptr<PlivexApp> app;
};

bool saveMenu(Scene& scene, const QString& path) {
  return kestravane::screenshots::saveMenu(scene.controller, *scene.app, path);
}

struct Arrangement {
  const char* name;
  const char* keymap;
  TriggerKind trigger;
  // A desktop whose keyboard settings open (GNOME, KDE), or one without a settings program (i3).
  const char* desktop = "GNOME";
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  QDir dir(QString::fromLocal8Bit(argv[1]));
  QTemporaryDir scratch;
  if (!dir.mkpath(".") || !scratch.isValid()) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  const Arrangement arrangements[] = {
      {"active", "-layout us,ru -option ''", TriggerKind::fn},
      {"rightSuper", "-layout us,ru -option ''", TriggerKind::rightCommand},
      {"needsLayouts", "-layout us -option ''", TriggerKind::fn},
      {"capsLockNotFree", "-layout us,ru -option '' -option grp:caps_toggle",
       TriggerKind::capsLock},
      {"capsLockByHand", "-layout us,ru -option '' -option grp:caps_toggle", TriggerKind::capsLock,
       "i3"},
      // KDE Plasma opens its launcher on a lone Meta tap (no kwinrc: its default).
      {"metaNotFree", "-layout us,ru -option ''", TriggerKind::rightCommand, "KDE"},
  };
  // Stand-ins for GNOME's and KDE's settings programs: the remedies that open them are buttons.
  const QString programs = scratch.filePath("bin");
  QDir().mkpath(programs);
  for (const char* name : {"gnome-control-center", "systemsettings"}) {
    QFile program(programs + "/" + name);
    if (!program.open(QIODevice::WriteOnly) || program.write("#!/bin/sh\n") < 0) return 1;
    program.close();
    program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  bool ok = true;
  for (const auto language : {AppLanguage::en, AppLanguage::ru}) {
    const QString suffix = language == AppLanguage::ru ? "-ru.png" : "-en.png";
    for (const auto& arrangement : arrangements) {
      Scene scene(scratch.path(), arrangement.keymap, arrangement.trigger, language,
                  {arrangement.desktop, programs.toStdString()});
      if (!scene.ok) {
        std::printf("FAILED the %s scene: no X server or setxkbmap failed\n", arrangement.name);
        ok = false;
        continue;
      }
      const QString name = QString::fromLatin1(arrangement.name);
      ok &= saveMenu(scene, dir.filePath("x11-menu-" + name + suffix));
      auto& settings = scene.app->settingsWindow();
      settings.present();
      scene.settle();
      ok &= save(settings, dir.filePath("x11-settings-" + name + suffix));
      settings.close();
      if (auto* onboarding = scene.app->windowHost().lastWindow()) {
        ok &= save(*onboarding, dir.filePath("x11-onboarding-" + name + suffix));
      }
    }
  }
  std::system("setxkbmap -layout us,ru -option ''");
  return ok ? 0 : 1;
}
