// Text Input Sources services through Carbon's HIToolbox (TISCreateInputSourceList,
// TISGetInputSourceProperty, TISCopyCurrentKeyboardInputSource, TISSelectInputSource). Property
// keys and source types named by the seam's strings are passed as the framework's own
// kTISProperty... and kTISType... constants.
// Threads: main thread, as the seam states (the services are not documented as thread-safe).
#pragma once

#include <Carbon/Carbon.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/MacOS/CFRef.h"
#include "Platform/TextInputSources.h"

namespace kestravane::platform::macos {

class MacInputSource final : public InputSource {
 public:
  explicit MacInputSource(CFRef<TISInputSourceRef> source) : _source(std::move(source)) {}
  TISInputSourceRef source() const { return _source.get(); }

 private:
  CFRef<TISInputSourceRef> _source;
};

class MacTextInputSources final : public TextInputSources {
 public:
  std::optional<std::vector<std::shared_ptr<InputSource>>> createInputSourceList(
      const InputSourceFilter& filter, bool includeAllInstalled) override;
  std::optional<std::string> stringProperty(const InputSource& source,
                                            std::string_view key) override;
  std::shared_ptr<InputSource> copyCurrentKeyboardInputSource() override;
  OSStatus selectInputSource(const InputSource& source) override;
};

}  // namespace kestravane::platform::macos
