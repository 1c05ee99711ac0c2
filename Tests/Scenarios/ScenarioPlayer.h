// Plays one scenario over a fresh virtual Mac with a manual clock and the program's real key
// path: an EventTapEngine whose delegate is a SwitchController around an InputSourceSwitcher,
// as the application builds them. Every step is followed by a settle: the engine's fire queue
// is drained and the main queue is run, so a fire has been switched before the next step.
// Threads: construct, play and destroy on one thread; that thread drives the main queue and so
// is the program's main thread. The virtual Mac is installed as the platform while it lives.
#pragma once

#include <string>
#include <vector>

#include "Scenarios/Scenario.h"

namespace kestravane::scenario {

// An expectation that did not hold, or a step that could not be carried out.
struct Mismatch {
  int line = 0;  // 0 for the set-up
  std::string step;
  std::string expected;
  std::string actual;
};

// Plays every step, going on after a mismatch, and returns the mismatches in order.
std::vector<Mismatch> playScenario(const Scenario& scenario);

}  // namespace kestravane::scenario
