// Stand-in evdev devices for the Wayland backend's tests: a umockdev testbed to which a test adds
// keyboards and mice that the real libudev lists and announces and the real libevdev opens (each
// answers the ioctls libevdev asks, at the sizes it asks), and into which it writes the events
// the kernel would send, with the times it chooses.
// Threads: the test's thread; the program must run under umockdev-wrapper.
#pragma once

#include <gtest/gtest.h>
#include <linux/input.h>
#include <umockdev.h>
#include <unistd.h>

#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace kestravane::testing_support {

class EvdevTestbed {
 public:
  enum class Kind { keyboard, mouse };

  struct Device {
    std::string syspath;
    std::string devnode;
  };

  EvdevTestbed() : testbed(umockdev_testbed_new()) {}
  ~EvdevTestbed() { g_object_unref(testbed); }
  EvdevTestbed(const EvdevTestbed&) = delete;
  EvdevTestbed& operator=(const EvdevTestbed&) = delete;

  std::string rootDirectory() const {
    gchar* root = umockdev_testbed_get_root_dir(testbed);
    std::string path = root;
    g_free(root);
    return path;
  }

  // /dev/input/event<number> and its place in sysfs.
  static Device deviceNumbered(int number) {
    const std::string name = "event" + std::to_string(number);
    return {"/sys/devices/virtual/input/input" + std::to_string(number) + "/" + name,
            "/dev/input/" + name};
  }
  // The device as udev describes it, in umockdev's record format (umockdev-run -d reads it).
  static std::string description(Kind kind, int number) {
    const auto device = deviceNumbered(number);
    return "P: " + device.syspath.substr(4) + "\nN: input/event" + std::to_string(number) +
           "\nE: DEVNAME=" + device.devnode + "\nE: SUBSYSTEM=input\nE: ID_INPUT=1\n" +
           (kind == Kind::keyboard ? "E: ID_INPUT_KEYBOARD=1\nE: ID_INPUT_KEY=1\n"
                                   : "E: ID_INPUT_MOUSE=1\n") +
           "A: dev=13:" + std::to_string(64 + number) + "\n";
  }

  // Adds /dev/input/event<number>, announced with udev's "add" event.
  Device add(Kind kind, int number) {
    const std::string name = "event" + std::to_string(number);
    const Device device = deviceNumbered(number);
    const std::string description = EvdevTestbed::description(kind, number);
    // The ioctl answers first: umockdev's preload ends a program that opens a node whose
    // answers are not there yet, and a tap opens a device as soon as it is announced.
    const std::string ioctls = rootDirectory() + "/" + name + ".ioctl";
    std::ofstream(ioctls) << ioctlAnswers(kind);
    GError* error = nullptr;
    if (!umockdev_testbed_load_ioctl(testbed, device.devnode.c_str(), ioctls.c_str(), &error)) {
      ADD_FAILURE() << "umockdev: " << error->message;
      g_error_free(error);
    }
    if (!umockdev_testbed_add_from_string(testbed, description.c_str(), &error)) {
      ADD_FAILURE() << "umockdev: " << error->message;
      g_error_free(error);
    }
    return device;
  }

  // Removes a device; umockdev 0.17 does not announce a removal itself.
  void remove(const Device& device) {
    umockdev_testbed_uevent(testbed, device.syspath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed, device.syspath.c_str());
  }

  // Writes events as the kernel would, each stamped `seconds`.`micros`.
  void send(const Device& device, std::initializer_list<input_event> events) {
    const int fd = umockdev_testbed_get_dev_fd(testbed, device.devnode.c_str());
    ASSERT_GE(fd, 0) << device.devnode;
    const std::vector<input_event> records(events);
    const auto bytes = static_cast<ssize_t>(records.size() * sizeof(input_event));
    ASSERT_EQ(::write(fd, records.data(), records.size() * sizeof(input_event)), bytes);
  }

  // One event record.
  static input_event event(std::uint16_t type, std::uint16_t code, std::int32_t value,
                           std::int64_t seconds = 1, std::int64_t micros = 0) {
    input_event record{};
    record.input_event_sec = static_cast<decltype(record.input_event_sec)>(seconds);
    record.input_event_usec = static_cast<decltype(record.input_event_usec)>(micros);
    record.type = type;
    record.code = code;
    record.value = value;
    return record;
  }
  // A key's press (1), release (0) or auto-repeat (2), then the report's end.
  void key(const Device& device, std::uint16_t code, std::int32_t value) {
    send(device, {event(EV_KEY, code, value), event(EV_SYN, SYN_REPORT, 0)});
  }

  // What libevdev 1.13 asks of a device (UMOCKDEV_DEBUG=ioctl lists it), in umockdev's ioctl
  // record format (umockdev-run -i reads it), each at the size it asks: the bit masks are as long
  // as its own, 96 bytes for the keys and 8 for the others.
  static std::string ioctlAnswers(Kind kind) {
    std::vector<unsigned char> name(255);
    const std::string title = kind == Kind::keyboard ? "Stand-in keyboard" : "Stand-in mouse";
    std::copy(title.begin(), title.end(), name.begin());
    const bool keyboard = kind == Kind::keyboard;
    std::string answers;
    answers +=
        "EVIOCGBIT(0) 8 " +
        (keyboard ? bits(8, {EV_SYN, EV_KEY, EV_LED, EV_REP}) : bits(8, {EV_SYN, EV_KEY, EV_REL})) +
        "\n";
    answers += "EVIOCGBIT(1) 96 " +
               (keyboard ? bits(96, {}, 1, 256)
                         : bits(96, {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA})) +
               "\n";
    answers += "EVIOCGNAME(0) " + std::to_string(title.size() + 1) + " " + hex(name) + "\n";
    answers += "EVIOCGID 0 0300010001000100\n";
    answers += "EVIOCGVERSION 0 01000100\n";
    answers += "EVIOCGPROP(0) 8 " + zeros(8) + "\n";
    answers += "EVIOCGBIT(2) 8 " + (keyboard ? zeros(8) : bits(8, {REL_X, REL_Y})) + "\n";
    for (const unsigned type : {EV_ABS, EV_MSC, EV_SW, EV_SND}) {
      answers += "EVIOCGBIT(" + std::to_string(type) + ") 8 " + zeros(8) + "\n";
    }
    answers += "EVIOCGBIT(17) 8 " + (keyboard ? bits(8, {LED_NUML, LED_CAPSL}) : zeros(8)) + "\n";
    answers += "EVIOCGBIT(21) 16 " + zeros(16) + "\n";
    answers += "EVIOCGKEY(0) 96 " + zeros(96) + "\n";
    answers += "EVIOCGLED(0) 8 " + zeros(8) + "\n";
    answers += "EVIOCGSW(0) 8 " + zeros(8) + "\n";
    answers += "EVIOCGREP 0 FA00000021000000\n";
    return answers;
  }

  UMockdevTestbed* const testbed;

 private:
  static std::string hex(const std::vector<unsigned char>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const unsigned char byte : bytes) {
      text += kDigits[byte >> 4];
      text += kDigits[byte & 0xF];
    }
    return text;
  }
  static std::string bits(std::size_t size, std::initializer_list<unsigned> set, unsigned from = 0,
                          unsigned to = 0) {
    std::vector<unsigned char> bytes(size);
    for (const unsigned bit : set) bytes[bit / 8] |= static_cast<unsigned char>(1u << (bit % 8));
    for (unsigned bit = from; bit < to; ++bit) {
      bytes[bit / 8] |= static_cast<unsigned char>(1u << (bit % 8));
    }
    return hex(bytes);
  }
  static std::string zeros(std::size_t size) { return std::string(size * 2, '0'); }
};

}  // namespace kestravane::testing_support
