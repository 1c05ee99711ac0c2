// The application object of a host without AppKit: it keeps the activation
// policy (accessory at launch, as for an agent application without a Dock icon), counts activations
// and termination requests, and hands a termination to the event loop that runs the program.
// Threads: main thread only, for the seam and the control alike; the observer and the
// termination handler run on the calling thread, after the change.
#pragma once

#include <functional>

#include "Platform/Application.h"

namespace kestravane::platform::host {

class HostApplication final : public Application {
 public:
  // Seam.
  bool setActivationPolicy(ActivationPolicy policy) override;
  ActivationPolicy activationPolicy() override { return policy; }
  void activate() override;
  void terminate() override;

  // Control.
  int activationCount() const { return activations; }
  int terminationCount() const { return terminations; }
  bool isActive() const { return active; }
  // The user switched to another application.
  void deactivate();
  // Runs after each terminate(), e.g. to end the event loop.
  void setTerminationHandler(std::function<void()> handler);
  // Runs after every change of policy, activation or termination (the demo panel's Dock strip).
  void setObserver(std::function<void()> observer);

 private:
  void changed() const;

  ActivationPolicy policy = ActivationPolicy::accessory;
  bool active = false;
  int activations = 0;
  int terminations = 0;
  std::function<void()> terminationHandler;
  std::function<void()> observer;
};

}  // namespace kestravane::platform::host
