#include "Platform/MacOS/MacRunLoops.h"

#include "Platform/MacOS/MacEventTaps.h"

namespace kestravane::platform::macos {
namespace {

CFRunLoopRef cfLoop(RunLoop& loop) {
  auto* mac = dynamic_cast<MacRunLoop*>(&loop);
  return mac ? mac->loop() : nullptr;
}

CFRunLoopSourceRef cfSource(RunLoopSource* source) {
  auto* mac = dynamic_cast<MacRunLoopSource*>(source);
  return mac ? mac->source() : nullptr;
}

}  // namespace

std::shared_ptr<RunLoop> MacRunLoops::current() {
  // CFRunLoopGetCurrent follows the Get rule: the holder takes its own reference.
  return std::make_shared<MacRunLoop>(CFRef<CFRunLoopRef>::retain(CFRunLoopGetCurrent()));
}

void MacRunLoops::addSource(RunLoop& loop, const std::shared_ptr<RunLoopSource>& source) {
  CFRunLoopRef cf = cfLoop(loop);
  CFRunLoopSourceRef cfSourceRef = cfSource(source.get());
  if (cf && cfSourceRef) CFRunLoopAddSource(cf, cfSourceRef, kCFRunLoopCommonModes);
}

void MacRunLoops::removeSource(RunLoop& loop, RunLoopSource& source) {
  CFRunLoopRef cf = cfLoop(loop);
  CFRunLoopSourceRef cfSourceRef = cfSource(&source);
  if (cf && cfSourceRef) CFRunLoopRemoveSource(cf, cfSourceRef, kCFRunLoopCommonModes);
}

void MacRunLoops::run() {
  CFRunLoopRun();
}

void MacRunLoops::stop(RunLoop& loop) {
  CFRunLoopRef cf = cfLoop(loop);
  if (!cf) return;
  // Runs on the loop's own thread, inside its next (or current) run.
  CFRunLoopPerformBlock(cf, kCFRunLoopCommonModes, ^{
    CFRunLoopStop(CFRunLoopGetCurrent());
  });
  CFRunLoopWakeUp(cf);
}

}  // namespace kestravane::platform::macos
