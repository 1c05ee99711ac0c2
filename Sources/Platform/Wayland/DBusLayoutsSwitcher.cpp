#include "Platform/Wayland/DBusLayoutsSwitcher.h"

#include <pthread.h>
#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "Platform/Wayland/SessionBus.h"

namespace kestravane::platform::wayland {
namespace {

int readKdeLayout(sd_bus_message* reply, DesktopLayout& layout) {
  const char* shortName = nullptr;
  const char* displayName = nullptr;
  const char* longName = nullptr;
  const int result = sd_bus_message_read(reply, "(sss)", &shortName, &displayName, &longName);
  if (result > 0) layout = {shortName, longName};
  return result;
}

// "xkb:ru+phonetic" is the XKB layout "ru(phonetic)"; an input method's id stays whole.
int readGnomeSource(sd_bus_message* reply, DesktopLayout& layout) {
  const char* id = nullptr;
  const char* name = nullptr;
  const int result = sd_bus_message_read(reply, "(ss)", &id, &name);
  if (result <= 0) return result;
  std::string_view source(id);
  std::string xkb;
  if (source.starts_with("xkb:")) {
    source.remove_prefix(4);
    const auto plus = source.find('+');
    xkb = plus == std::string_view::npos ? std::string(source)
                                         : std::string(source.substr(0, plus)) + "(" +
                                               std::string(source.substr(plus + 1)) + ")";
  }
  layout = {xkb.empty() ? std::string(id) : xkb, name};
  return result;
}

}  // namespace

const DBusLayoutsService kKdeKeyboardLayouts{"KDE Plasma",
                                             "KDE's keyboard service",
                                             "org.kde.keyboard",
                                             "/Layouts",
                                             "org.kde.KeyboardLayouts",
                                             "getLayoutsList",
                                             "(sss)",
                                             &readKdeLayout,
                                             "getLayout",
                                             'u',
                                             "setLayout",
                                             "layoutChanged",
                                             "layoutListChanged",
                                             "kde-layouts"};

const DBusLayoutsService kGnomeInputSources{"GNOME",
                                            "Plivex's GNOME Shell extension",
                                            "org.plivex.InputSources",
                                            "/org/plivex/InputSources",
                                            "org.plivex.InputSources",
                                            "List",
                                            "(ss)",
                                            &readGnomeSource,
                                            "Current",
                                            'i',
                                            "Activate",
                                            nullptr,
                                            "Changed",
                                            "gnome-sources"};

namespace {

std::string callFailure(const DBusLayoutsService& service, const sd_bus_error& error, int result) {
  const std::string who = std::string(service.describedAs) + " (" + service.busName + "): ";
  if (sd_bus_error_is_set(&error)) {
    return who + (error.message != nullptr ? error.message : error.name);
  }
  return who + std::strerror(-result);
}

// The signals' connection on the reading thread.
class SignalWatch final : public desktop::PollSource {
 public:
  SignalWatch(const DBusLayoutsService& service, sd_bus* bus,
              std::shared_ptr<DispatchQueue> mainQueue,
              std::shared_ptr<DBusLayoutsSwitcher::Notices> notices,
              std::weak_ptr<desktop::PollRunLoop> loop)
      : service(service),
        bus(bus),
        mainQueue(std::move(mainQueue)),
        notices(std::move(notices)),
        loop(std::move(loop)) {}
  ~SignalWatch() override {
    sd_bus_slot_unref(layoutsSlot);
    sd_bus_slot_unref(ownerSlot);
    sd_bus_flush_close_unref(bus);
  }
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  // Asks the bus for the signals; false when it refused.
  bool subscribe() {
    if (sd_bus_match_signal(bus, &layoutsSlot, nullptr, service.path, service.interface, nullptr,
                            &onLayouts, this) < 0) {
      return false;
    }
    // The service going or coming back (KWin or the shell restarting, the extension turned off
    // or on) changes the owner of its name.
    const std::string rule = std::string(
                                 "type='signal',sender='org.freedesktop.DBus',"
                                 "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
                                 "arg0='") +
                             service.busName + "'";
    return sd_bus_add_match(bus, &ownerSlot, rule.c_str(), &onOwner, this) >= 0;
  }

  int descriptor() const override { return bus != nullptr ? sd_bus_get_fd(bus) : -1; }

  void perform() override {
    if (ended) return;
    int result = 0;
    while ((result = sd_bus_process(bus, nullptr)) > 0) {
    }
    if (result >= 0) return;
    ended = true;
    post(DesktopChange::availability, true);
    if (const auto running = loop.lock()) running->remove(*this);
  }

 private:
  static int onLayouts(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watch = static_cast<SignalWatch*>(self);
    const char* member = sd_bus_message_get_member(message);
    if (member == nullptr) return 0;
    const auto is = [member](const char* name) {
      return name != nullptr && std::strcmp(member, name) == 0;
    };
    if (is(watch->service.activeSignal)) {
      watch->post(DesktopChange::active, false);
    } else if (is(watch->service.layoutsSignal)) {
      watch->post(DesktopChange::layouts, false);
    }
    return 0;
  }

  static int onOwner(sd_bus_message*, void* self, sd_bus_error*) {
    static_cast<SignalWatch*>(self)->post(DesktopChange::availability, false);
    return 0;
  }

  void post(DesktopChange change, bool connectionEnded) {
    mainQueue->async([notices = notices, change, connectionEnded] {
      if (connectionEnded) notices->ended = true;
      if (notices->observer) notices->observer(change);
    });
  }

  const DBusLayoutsService& service;
  sd_bus* const bus;
  const std::shared_ptr<DispatchQueue> mainQueue;
  const std::shared_ptr<DBusLayoutsSwitcher::Notices> notices;
  const std::weak_ptr<desktop::PollRunLoop> loop;
  sd_bus_slot* layoutsSlot = nullptr;
  sd_bus_slot* ownerSlot = nullptr;
  bool ended = false;
};

}  // namespace

DBusLayoutsSwitcher::DBusLayoutsSwitcher(const DBusLayoutsService& service,
                                         std::shared_ptr<DispatchQueue> mainQueue,
                                         std::optional<std::string> busAddress,
                                         std::chrono::milliseconds timeout)
    : service(service),
      mainQueue(std::move(mainQueue)),
      busAddress(std::move(busAddress)),
      timeout(timeout) {
  connection();
}

DBusLayoutsSwitcher::~DBusLayoutsSwitcher() {
  notices->observer = nullptr;
  stopWatching();
  sd_bus_flush_close_unref(bus);
}

void DBusLayoutsSwitcher::setChangeObserver(std::function<void(DesktopChange)> observer) {
  notices->observer = std::move(observer);
}

std::optional<std::string> DBusLayoutsSwitcher::unavailableReason() const {
  if (reason) return reason;
  if (notices->ended) return "the session bus closed the connection";
  return std::nullopt;
}

sd_bus* DBusLayoutsSwitcher::connection() {
  if (notices->ended || (bus != nullptr && sd_bus_is_open(bus) <= 0)) {
    bus = sd_bus_flush_close_unref(bus);
  }
  if (bus != nullptr) return bus;
  std::string failure;
  bus = openSessionBus(busAddress, timeout, failure);
  if (bus == nullptr) {
    reason = failure;
    return nullptr;
  }
  reason.reset();
  watch();
  return bus;
}

void DBusLayoutsSwitcher::watch() {
  stopWatching();
  notices->ended = false;
  std::string failure;
  sd_bus* signalBus = openSessionBus(busAddress, timeout, failure);
  if (signalBus == nullptr) return;
  auto loop = std::make_shared<desktop::PollRunLoop>();
  auto source = std::make_shared<SignalWatch>(service, signalBus, mainQueue, notices, loop);
  // Without the signals switching still works; changes made by others go unnoticed until the
  // next connection tries again.
  if (!source->subscribe()) return;
  watchLoop = std::move(loop);
  watchLoop->add(source);
  watcher = std::thread([loop = watchLoop, name = service.threadName] {
    pthread_setname_np(pthread_self(), name);
    loop->run();
  });
}

void DBusLayoutsSwitcher::stopWatching() {
  if (watchLoop) watchLoop->stop();
  if (watcher.joinable()) watcher.join();
  watchLoop.reset();
}

std::optional<DesktopLayouts> DBusLayoutsSwitcher::read() {
  sd_bus* const current = connection();
  if (current == nullptr) return std::nullopt;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  DesktopLayouts layouts;
  int result = sd_bus_call_method(current, service.busName, service.path, service.interface,
                                  service.listMethod, &error, &reply, "");
  if (result >= 0) result = sd_bus_message_enter_container(reply, 'a', service.item);
  while (result >= 0) {
    DesktopLayout layout;
    result = service.readItem(reply, layout);
    if (result <= 0) break;
    layouts.layouts.push_back(std::move(layout));
  }
  reply = sd_bus_message_unref(reply);
  std::int64_t active = 0;
  if (result >= 0) {
    result = sd_bus_call_method(current, service.busName, service.path, service.interface,
                                service.activeMethod, &error, &reply, "");
  }
  if (result >= 0 && service.activeType == 'i') {
    std::int32_t index = -1;
    result = sd_bus_message_read(reply, "i", &index);
    active = index;
  } else if (result >= 0) {
    std::uint32_t index = 0;
    result = sd_bus_message_read(reply, "u", &index);
    active = index;
  }
  sd_bus_message_unref(reply);
  if (result < 0) {
    reason = callFailure(service, error, result);
    sd_bus_error_free(&error);
    return std::nullopt;
  }
  reason.reset();
  if (active >= 0 && static_cast<std::size_t>(active) < layouts.layouts.size()) {
    layouts.active = static_cast<std::size_t>(active);
  }
  return layouts;
}

bool DBusLayoutsSwitcher::select(std::size_t index) {
  sd_bus* const current = connection();
  if (current == nullptr) return false;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int switched = 0;
  int result = sd_bus_call_method(current, service.busName, service.path, service.interface,
                                  service.selectMethod, &error, &reply, "u",
                                  static_cast<std::uint32_t>(index));
  if (result >= 0) result = sd_bus_message_read(reply, "b", &switched);
  sd_bus_message_unref(reply);
  if (result < 0) {
    reason = callFailure(service, error, result);
    sd_bus_error_free(&error);
    return false;
  }
  reason.reset();
  return switched != 0;
}

}  // namespace kestravane::platform::wayland
