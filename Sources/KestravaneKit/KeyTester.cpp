#include "KestravaneKit/KeyTester.h"

#include <exception>
#include <utility>

namespace kestravane {
namespace {

constexpr platform::EventMask kKeyTesterEventMask =
    platform::eventMaskBit(platform::kEventKeyDown) |
    platform::eventMaskBit(platform::kEventFlagsChanged);  // 0x1400

}  // namespace

std::shared_ptr<KeyTester> KeyTester::create(std::shared_ptr<const platform::Services> services,
                                             OnHit onHit) {
  return std::shared_ptr<KeyTester>(new KeyTester(std::move(services), std::move(onHit)));
}

KeyTester::KeyTester(std::shared_ptr<const platform::Services> services, OnHit onHit)
    : onHit(std::move(onHit)), services(std::move(services)) {}

KeyTester::~KeyTester() {
  stop();
}

bool KeyTester::canRun() const {
  return services->accessibility->isProcessTrusted() &&
         services->eventTaps->preflightListenEventAccess();
}

bool KeyTester::start() {
  if (started) return false;
  // Asked first: without Input Monitoring the system would refuse the tap anyway, and asking
  // for the tap would list the program for Input Monitoring without the user's request.
  if (!canRun()) return false;
  auto tap = services->eventTaps->tapCreate(
      platform::TapLocation::session, platform::TapPlacement::headInsert,
      platform::TapOptions::listenOnly, kKeyTesterEventMask, &KeyTester::tapCallback, this);
  if (!tap) return false;

  auto newThread = std::make_shared<TapThread>(services, std::move(tap));
  try {
    newThread->launch("kestravane.keytester", std::nullopt,
                      [weakSelf = weak_from_this(), weakRun = std::weak_ptr<TapThread>(newThread)] {
                        if (auto self = weakSelf.lock()) self->threadBody(weakRun);
                      });
  } catch (const std::exception&) {
    newThread->stop();  // no thread runs the tap: tear it down and stay idle
    return false;
  }
  tapThread = std::move(newThread);
  started = true;
  return true;
}

void KeyTester::threadBody(const std::weak_ptr<TapThread>& weakRun) {
  const auto run = weakRun.lock();
  if (!run || !run->attach(nullptr)) return;
  // This thread's strong reference keeps the tester alive until stop() ends the loop.
  run->run();
}

void KeyTester::stop() {
  if (!started) return;
  if (auto run = std::exchange(tapThread, nullptr)) run->stop();
  started = false;
}

platform::Event* KeyTester::tapCallback(platform::EventType type, platform::Event* event,
                                        void* userInfo) {
  const auto tester = static_cast<KeyTester*>(userInfo)->weak_from_this().lock();
  // The system's notices that it disabled the tap arrive whatever the mask says; they are no
  // key, so they are not reported (as a hit they would read as key code 0, the A key). The tap
  // is not enabled again: no more hits arrive until the test is started anew.
  if (!tester || event == nullptr || platform::isTapDisabledNotice(type)) return event;
  const auto& taps = *tester->services->eventTaps;
  const platform::EventFlags flags = taps.flags(*event);
  const Hit hit{
      .keyCode = taps.integerValueField(*event, platform::kKeyboardEventKeycode),
      .isFlagsChanged = type == platform::kEventFlagsChanged,
      .fnFlag = (flags & platform::kFlagSecondaryFn) != 0,
      .rawFlags = flags,
  };
  if (tester->onHit) tester->onHit(hit);
  return event;  // listen-only: never changed or dropped
}

}  // namespace kestravane
