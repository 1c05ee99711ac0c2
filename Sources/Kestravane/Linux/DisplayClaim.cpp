#include "Kestravane/Linux/DisplayClaim.h"

#include <unistd.h>

#include "Platform/X11/X11InstanceClaim.h"

namespace kestravane::linux_app {

using platform::x11::X11InstanceClaim;

DisplayClaim claimDisplay(const std::string& requestSocket) {
  std::shared_ptr<X11InstanceClaim> claim =
      X11InstanceClaim::claim(std::string(), ::getuid(), requestSocket);
  DisplayClaim result;
  switch (claim->outcome()) {
    case X11InstanceClaim::Outcome::claimed:
      result.hold = claim;
      break;
    case X11InstanceClaim::Outcome::heldByAnother:
      result.heldByAnother = true;
      result.holderSocket = claim->holderSocket();
      break;
    case X11InstanceClaim::Outcome::noServer:
      break;
  }
  return result;
}

}  // namespace kestravane::linux_app
