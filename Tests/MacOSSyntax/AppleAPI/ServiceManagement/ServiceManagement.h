// Stands for <ServiceManagement/ServiceManagement.h>: SMAppService (macOS 13) as Objective-C++
// with ARC sees it.
#pragma once

#include <Foundation/Foundation.h>

// ---- ServiceManagement/SMAppService.h
typedef NS_ENUM(NSInteger, SMAppServiceStatus) {
  SMAppServiceStatusNotRegistered = 0,
  SMAppServiceStatusEnabled = 1,
  SMAppServiceStatusRequiresApproval = 2,
  SMAppServiceStatusNotFound = 3,
};

@interface SMAppService : NSObject
@property(class, readonly) SMAppService* mainAppService;
- (BOOL)registerAndReturnError:(NSError**)error;
- (BOOL)unregisterAndReturnError:(NSError**)error;
@property(readonly) SMAppServiceStatus status;
@end
