#include "Platform/MacOS/MacLocale.h"

#import <Foundation/Foundation.h>

#include "Platform/MacOS/NSStrings.h"

namespace kestravane::platform::macos {

std::optional<std::string> MacLocale::currentLanguageCode() {
  @autoreleasepool {
    auto code = fromNSString(NSLocale.autoupdatingCurrentLocale.languageCode);
    if (!code || code->empty()) return std::nullopt;
    return code;
  }
}

}  // namespace kestravane::platform::macos
