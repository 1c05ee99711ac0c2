#include "Platform/MacOS/MacLog.h"

#import <Foundation/Foundation.h>

#include "Platform/MacOS/NSStrings.h"

namespace kestravane::platform::macos {

void MacLog::log(std::string_view message) {
  @autoreleasepool {
    NSString* text = toNSString(message);
    if (text == nil) {
      text = [[NSString alloc] initWithBytes:message.data()
                                      length:message.size()
                                    encoding:NSISOLatin1StringEncoding];
    }
    NSLog(@"%@", text);
  }
}

}  // namespace kestravane::platform::macos
