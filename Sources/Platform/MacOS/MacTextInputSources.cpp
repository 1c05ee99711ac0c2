#include "Platform/MacOS/MacTextInputSources.h"

#include <dispatch/dispatch.h>
#include <pthread.h>

#include <array>
#include <variant>

#include "Platform/MacOS/CFConversions.h"

namespace kestravane::platform::macos {
namespace {

// The framework's constant for a seam name, or a new string of that name for any other; the
// constants' contents are not documented, so they are never assumed to equal the names.
CFRef<CFStringRef> frameworkString(std::string_view name) {
  const std::array<std::pair<std::string_view, CFStringRef>, 9> constants{{
      {platform::kTISPropertyInputSourceID, ::kTISPropertyInputSourceID},
      {platform::kTISPropertyLocalizedName, ::kTISPropertyLocalizedName},
      {platform::kTISPropertyInputSourceType, ::kTISPropertyInputSourceType},
      {platform::kTISPropertyInputSourceIsEnabled, ::kTISPropertyInputSourceIsEnabled},
      {platform::kTISPropertyInputSourceIsSelectCapable, ::kTISPropertyInputSourceIsSelectCapable},
      {platform::kTISTypeKeyboardLayout, ::kTISTypeKeyboardLayout},
      {platform::kTISTypeKeyboardInputMethodWithoutModes,
       ::kTISTypeKeyboardInputMethodWithoutModes},
      {platform::kTISTypeKeyboardInputMethodModeEnabled, ::kTISTypeKeyboardInputMethodModeEnabled},
      {platform::kTISTypeKeyboardInputMode, ::kTISTypeKeyboardInputMode},
  }};
  for (const auto& [seamName, constant] : constants) {
    if (seamName == name) return CFRef<CFStringRef>::retain(constant);
  }
  return makeCFString(name);
}

// The filter as a CFDictionary; entries whose key or value cannot be made are left out.
CFRef<CFDictionaryRef> makeFilter(const InputSourceFilter& filter) {
  std::vector<CFRef<CFStringRef>> keys;
  std::vector<CFRef<CFTypeRef>> values;
  for (const auto& [name, required] : filter) {
    auto key = frameworkString(name);
    CFRef<CFTypeRef> value;
    if (const auto* flag = std::get_if<bool>(&required)) {
      value = CFRef<CFTypeRef>::retain(*flag ? kCFBooleanTrue : kCFBooleanFalse);
    } else {
      value = CFRef<CFTypeRef>::adopt(frameworkString(std::get<std::string>(required)).release());
    }
    if (!key || !value) continue;
    keys.push_back(std::move(key));
    values.push_back(std::move(value));
  }
  std::vector<CFTypeRef> rawKeys;
  std::vector<CFTypeRef> rawValues;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    rawKeys.push_back(keys[i].get());
    rawValues.push_back(values[i].get());
  }
  return makeDictionary(rawKeys, rawValues);
}

TISInputSourceRef tisSource(const InputSource& source) {
  const auto* mac = dynamic_cast<const MacInputSource*>(&source);
  return mac ? mac->source() : nullptr;
}

}  // namespace

std::optional<std::vector<std::shared_ptr<InputSource>>> MacTextInputSources::createInputSourceList(
    const InputSourceFilter& filter, bool includeAllInstalled) {
  auto properties = makeFilter(filter);
  if (!properties) return std::nullopt;
  auto list =
      CFRef<CFArrayRef>::adopt(TISCreateInputSourceList(properties.get(), includeAllInstalled));
  if (!list || CFGetTypeID(list.get()) != CFArrayGetTypeID()) return std::nullopt;
  std::vector<std::shared_ptr<InputSource>> sources;
  const CFIndex count = CFArrayGetCount(list.get());
  for (CFIndex i = 0; i < count; ++i) {
    const void* item = CFArrayGetValueAtIndex(list.get(), i);
    if (item == nullptr || CFGetTypeID(item) != TISInputSourceGetTypeID()) {
      sources.push_back(nullptr);  // not an input source
      continue;
    }
    auto source =
        CFRef<TISInputSourceRef>::retain(static_cast<TISInputSourceRef>(const_cast<void*>(item)));
    sources.push_back(std::make_shared<MacInputSource>(std::move(source)));
  }
  return sources;
}

std::optional<std::string> MacTextInputSources::stringProperty(const InputSource& source,
                                                               std::string_view key) {
  TISInputSourceRef ref = tisSource(source);
  auto property = frameworkString(key);
  if (ref == nullptr || !property) return std::nullopt;
  // The Get rule: the value belongs to the source.
  return stringFromCF(TISGetInputSourceProperty(ref, property.get()));
}

std::shared_ptr<InputSource> MacTextInputSources::copyCurrentKeyboardInputSource() {
  auto current = CFRef<TISInputSourceRef>::adopt(TISCopyCurrentKeyboardInputSource());
  if (!current) return nullptr;
  return std::make_shared<MacInputSource>(std::move(current));
}

OSStatus MacTextInputSources::selectInputSource(const InputSource& source) {
  TISInputSourceRef ref = tisSource(source);
  if (ref == nullptr) return paramErr;
  return TISSelectInputSource(ref);
}

MacTextInputSources::~MacTextInputSources() {
  stopObserving();
}

void MacTextInputSources::setSourcesChangedObserver(std::function<void()> function) {
  if (!function) {
    stopObserving();
    return;
  }
  bool wasObserving = false;
  {
    std::lock_guard guard(mutex);
    wasObserving = observer != nullptr;
    observer = std::make_shared<const std::function<void()>>(std::move(function));
  }
  if (wasObserving) return;
  CFNotificationCenterRef center = CFNotificationCenterGetDistributedCenter();
  for (CFStringRef name : {kTISNotifyEnabledKeyboardInputSourcesChanged,
                           kTISNotifySelectedKeyboardInputSourceChanged}) {
    CFNotificationCenterAddObserver(center, this, &MacTextInputSources::notified, name, nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
  }
}

void MacTextInputSources::stopObserving() {
  CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDistributedCenter(), this);
  std::lock_guard guard(mutex);
  observer.reset();
}

void MacTextInputSources::notified(CFNotificationCenterRef, void* self, CFNotificationName,
                                   const void*, CFDictionaryRef) {
  std::weak_ptr<const std::function<void()>> current;
  {
    auto& sources = *static_cast<MacTextInputSources*>(self);
    std::lock_guard guard(sources.mutex);
    current = sources.observer;
  }
  if (pthread_main_np() != 0) {
    if (const auto call = current.lock()) (*call)();
    return;
  }
  // The weak reference lets an observer emptied meanwhile, or an object gone, call nothing.
  dispatch_async_f(dispatch_get_main_queue(),
                   new std::weak_ptr<const std::function<void()>>(std::move(current)),
                   [](void* raw) {
                     const std::unique_ptr<std::weak_ptr<const std::function<void()>>> weak(
                         static_cast<std::weak_ptr<const std::function<void()>>*>(raw));
                     if (const auto call = weak->lock()) (*call)();
                   });
}

}  // namespace kestravane::platform::macos
