// A stand-in for <ServiceManagement/ServiceManagement.h>, which the macOS SDK used to check the
// macOS code on other machines does not include. It is used only by that check, never by a build
// on a Mac, and declares only what the login item uses of SMAppService (macOS 13), as Apple's
// reference states it (the class, its `mainAppService` class property, `status`, and
// `registerAndReturnError:` / `unregisterAndReturnError:`, and the class method
// `openSystemSettingsLoginItems`). The check does not look these symbols
// up in any .tbd, and says so.
#pragma once

#import <Foundation/Foundation.h>

NS_ASSUME_NONNULL_BEGIN

typedef NS_ENUM(NSInteger, SMAppServiceStatus) {
  SMAppServiceStatusNotRegistered = 0,
  SMAppServiceStatusEnabled = 1,
  SMAppServiceStatusRequiresApproval = 2,
  SMAppServiceStatusNotFound = 3,
} API_AVAILABLE(macos(13.0));

API_AVAILABLE(macos(13.0))
@interface SMAppService : NSObject
@property(class, readonly) SMAppService* mainAppService;
@property(readonly) SMAppServiceStatus status;
- (BOOL)registerAndReturnError:(NSError**)error;
- (BOOL)unregisterAndReturnError:(NSError**)error;
+ (void)openSystemSettingsLoginItems;
@end

NS_ASSUME_NONNULL_END
