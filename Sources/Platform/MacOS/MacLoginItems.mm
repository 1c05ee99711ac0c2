#include "Platform/MacOS/MacLoginItems.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

#include "Platform/MacOS/NSStrings.h"

namespace kestravane::platform::macos {
namespace {

std::optional<ServiceError> failure(NSError* error) {
  // A call that fails without an error object still fails.
  auto description = fromNSString(error.localizedDescription);
  return ServiceError{description.value_or("unknown error")};
}

}  // namespace

LoginItemStatus MacLoginItems::status() {
  switch (SMAppService.mainAppService.status) {
    case SMAppServiceStatusNotRegistered:
      return LoginItemStatus::notRegistered;
    case SMAppServiceStatusEnabled:
      return LoginItemStatus::enabled;
    case SMAppServiceStatusRequiresApproval:
      return LoginItemStatus::requiresApproval;
    case SMAppServiceStatusNotFound:
      return LoginItemStatus::notFound;
  }
  return LoginItemStatus::notFound;  // a status this build does not know
}

std::optional<ServiceError> MacLoginItems::registerMainApp() {
  NSError* error = nil;
  if ([SMAppService.mainAppService registerAndReturnError:&error]) return std::nullopt;
  return failure(error);
}

std::optional<ServiceError> MacLoginItems::unregisterMainApp() {
  NSError* error = nil;
  if ([SMAppService.mainAppService unregisterAndReturnError:&error]) return std::nullopt;
  return failure(error);
}

bool MacLoginItems::openSystemSettingsLoginItems() {
  [SMAppService openSystemSettingsLoginItems];
  return true;
}

}  // namespace kestravane::platform::macos
