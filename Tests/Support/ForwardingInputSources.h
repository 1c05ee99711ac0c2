// Input sources that pass every call to the wrapped ones: the base of the test doubles that
// change or watch one call and leave the rest to a real system.
// Threads: as the wrapped sources.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/TextInputSources.h"

namespace kestravane::testing_support {

class ForwardingInputSources : public platform::TextInputSources {
 public:
  explicit ForwardingInputSources(std::shared_ptr<platform::TextInputSources> inner)
      : inner(std::move(inner)) {}

  std::optional<std::vector<std::shared_ptr<platform::InputSource>>> createInputSourceList(
      const platform::InputSourceFilter& filter, bool includeAllInstalled) override {
    return inner->createInputSourceList(filter, includeAllInstalled);
  }
  std::optional<std::string> stringProperty(const platform::InputSource& source,
                                            std::string_view key) override {
    return inner->stringProperty(source, key);
  }
  std::shared_ptr<platform::InputSource> copyCurrentKeyboardInputSource() override {
    return inner->copyCurrentKeyboardInputSource();
  }
  platform::OSStatus selectInputSource(const platform::InputSource& source) override {
    return inner->selectInputSource(source);
  }
  void setSourcesChangedObserver(std::function<void()> observer) override {
    inner->setSourcesChangedObserver(std::move(observer));
  }
  bool canSwitchLayouts() const override { return inner->canSwitchLayouts(); }

  const std::shared_ptr<platform::TextInputSources> inner;
};

}  // namespace kestravane::testing_support
