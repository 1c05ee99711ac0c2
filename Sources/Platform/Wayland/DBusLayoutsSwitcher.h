// A desktop's layouts through a D-Bus service of the session bus that lists them, says the active
// one, selects one and signals changes. Two such services exist:
// - KDE Plasma's, from KWin: org.kde.keyboard /Layouts, interface org.kde.KeyboardLayouts
//   (getLayoutsList, getLayout, setLayout, the signals layoutChanged and layoutListChanged). KDE
//   says each layout's XKB name without its variant ("ru" for Russian (phonetic) too) and its
//   long name in the user's language.
// - GNOME's, from Plivex's own GNOME Shell extension (GNOME has no public one):
//   org.plivex.InputSources (List, Current, Activate, the signal Changed), over the shell's
//   input sources: XKB layouts ("xkb:ru+phonetic", made "ru(phonetic)") and input methods
//   ("ibus:mozc-jp", kept whole).
// D-Bus through sd-bus (libsystemd): it is on every systemd-based desktop, starts no thread of its
// own and hands over a descriptor that the switcher's poll loop waits on, where GDBus would add a
// worker thread and a GLib main context to a program that has no use for them.
// Threads: the calls on the main thread (DesktopSwitcher.h), over a connection of the main
//   thread's. The signals come on a second connection, read on a thread of the switcher's own that
//   is idle in poll() between them; each change is posted to the main queue, where the observer
//   runs. A notice posted before the switcher went is dropped.
// Ownership: the destructor stops the reading thread and waits for it, then closes both
//   connections.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "Platform/Dispatch.h"
#include "Platform/LinuxDesktop/PollRunLoops.h"
#include "Platform/Wayland/DesktopSwitcher.h"

struct sd_bus;
struct sd_bus_message;

namespace kestravane::platform::wayland {

// What tells one such service from another.
struct DBusLayoutsService {
  const char* desktopName;  // "KDE Plasma"
  const char* describedAs;  // how failures name the service: "KDE's keyboard service"
  const char* busName;
  const char* path;
  const char* interface;
  const char* listMethod;  // answers an array of `item`
  const char* item;        // one layout's D-Bus signature
  // Reads one `item` of the list; sd-bus's result (0: no more).
  int (*readItem)(sd_bus_message* reply, DesktopLayout& layout);
  const char* activeMethod;   // answers the active index as `activeType`
  char activeType;            // 'u' or 'i' (-1: none)
  const char* selectMethod;   // takes the index (u), answers whether it switched (b)
  const char* activeSignal;   // another layout became active
  const char* layoutsSignal;  // the list changed (or anything did)
  const char* threadName;     // the signal reader's
};

extern const DBusLayoutsService kKdeKeyboardLayouts;
extern const DBusLayoutsService kGnomeInputSources;

class DBusLayoutsSwitcher : public DesktopSwitcher {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{1000};

  // Connects to the session bus, or to the bus at `busAddress` when given ("unix:path=...").
  DBusLayoutsSwitcher(const DBusLayoutsService& service, std::shared_ptr<DispatchQueue> mainQueue,
                      std::optional<std::string> busAddress = std::nullopt,
                      std::chrono::milliseconds timeout = kDefaultTimeout);
  ~DBusLayoutsSwitcher() override;
  DBusLayoutsSwitcher(const DBusLayoutsSwitcher&) = delete;
  DBusLayoutsSwitcher& operator=(const DBusLayoutsSwitcher&) = delete;

  // DesktopSwitcher.
  std::string desktopName() const override { return service.desktopName; }
  std::optional<std::string> unavailableReason() const override;
  std::optional<DesktopLayouts> read() override;
  bool select(std::size_t index) override;
  void setChangeObserver(std::function<void(DesktopChange)> observer) override;

  struct Notices {
    std::function<void(DesktopChange)> observer;
    bool ended = false;  // the signals' connection ended
  };

 private:
  // The main thread's connection, made again when it was lost; nullptr (and `reason`) if none.
  sd_bus* connection();
  void watch();
  void stopWatching();

  const DBusLayoutsService& service;
  const std::shared_ptr<DispatchQueue> mainQueue;
  const std::optional<std::string> busAddress;
  const std::chrono::milliseconds timeout;
  const std::shared_ptr<Notices> notices = std::make_shared<Notices>();
  sd_bus* bus = nullptr;
  std::optional<std::string> reason;
  std::shared_ptr<desktop::PollRunLoop> watchLoop;
  std::thread watcher;
};

class KdeSwitcher final : public DBusLayoutsSwitcher {
 public:
  explicit KdeSwitcher(std::shared_ptr<DispatchQueue> mainQueue,
                       std::optional<std::string> busAddress = std::nullopt,
                       std::chrono::milliseconds timeout = kDefaultTimeout)
      : DBusLayoutsSwitcher(kKdeKeyboardLayouts, std::move(mainQueue), std::move(busAddress),
                            timeout) {}
};

class GnomeSwitcher final : public DBusLayoutsSwitcher {
 public:
  explicit GnomeSwitcher(std::shared_ptr<DispatchQueue> mainQueue,
                         std::optional<std::string> busAddress = std::nullopt,
                         std::chrono::milliseconds timeout = kDefaultTimeout)
      : DBusLayoutsSwitcher(kGnomeInputSources, std::move(mainQueue), std::move(busAddress),
                            timeout) {}
};

}  // namespace kestravane::platform::wayland
