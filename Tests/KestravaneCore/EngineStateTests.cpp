#include "KestravaneCore/EngineState.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

namespace kestravane {
namespace {

using H = EngineHealth;

// Every combination of the six booleans and the key conflicts (by default the three of a Mac
// keyboard) with layout counts on both sides of the limit of two.
std::vector<EngineInputs> allInputCombinations(std::initializer_list<KeyConflict> conflicts = {
                                                   KeyConflict::none, KeyConflict::globeKey,
                                                   KeyConflict::capsLockSwitching}) {
  std::vector<EngineInputs> all;
  for (std::int64_t layouts : {-3, -1, 0, 1, 2, 3}) {
    for (const KeyConflict conflict : conflicts) {
      for (unsigned bits = 0; bits < (1u << 6); ++bits) {
        auto bit = [bits](unsigned i) { return ((bits >> i) & 1u) != 0; };
        all.push_back(
            EngineInputs{bit(0), layouts, conflict, bit(1), bit(2), bit(3), bit(4), bit(5)});
      }
    }
  }
  return all;
}

bool globeConflict(const EngineInputs& in) {
  return in.triggerConflict == KeyConflict::globeKey && !in.triggerKeyFree;
}

bool capsLockConflict(const EngineInputs& in) {
  return in.triggerConflict == KeyConflict::capsLockSwitching && !in.triggerKeyFree;
}

bool metaConflict(const EngineInputs& in) {
  return in.triggerConflict == KeyConflict::metaLauncher && !in.triggerKeyFree;
}

// One line of the decision table; an absent value stands for "any".
struct DecisionRow {
  bool hasAccessibility;
  std::optional<bool> atLeastTwoLayouts;
  std::optional<bool> globeConflict;
  std::optional<bool> capsLockConflict;
  std::optional<bool> userEnabled;
  std::optional<bool> isRunning;
  std::optional<bool> tapDisabled;
  std::optional<bool> secureInput;
  EngineHealth health;

  bool matches(const EngineInputs& in) const {
    auto fits = [](std::optional<bool> want, bool have) { return !want || *want == have; };
    return hasAccessibility == in.hasAccessibility &&
           fits(atLeastTwoLayouts, in.layoutCount >= 2) &&
           fits(globeConflict, kestravane::globeConflict(in)) &&
           fits(capsLockConflict, kestravane::capsLockConflict(in)) &&
           fits(userEnabled, in.userEnabled) && fits(isRunning, in.isRunning) &&
           fits(tapDisabled, in.tapDisabled) && fits(secureInput, in.secureInput);
  }
};

constexpr auto any = std::nullopt;

const std::vector<DecisionRow> decisionTable = {
    {false, any, any, any, any, any, any, any, H::noAccessibility},
    {true, false, any, any, any, any, any, any, H::needsLayouts},
    {true, true, true, any, any, any, any, any, H::globeNotFree},
    {true, true, false, true, any, any, any, any, H::capsLockNotFree},
    {true, true, false, false, false, any, any, any, H::disabled},
    {true, true, false, false, true, false, any, any, H::tapDisabled},
    {true, true, false, false, true, true, true, any, H::tapDisabled},
    {true, true, false, false, true, true, false, true, H::secureInput},
    {true, true, false, false, true, true, false, false, H::active},
};

TEST(EngineStateTest, EachDecisionTableLineHoldsForEveryInputItCovers) {
  const auto all = allInputCombinations();
  for (std::size_t line = 0; line < decisionTable.size(); ++line) {
    SCOPED_TRACE(testing::Message() << "table line " << line);
    int covered = 0;
    for (const EngineInputs& in : all) {
      if (!decisionTable[line].matches(in)) continue;
      ++covered;
      EXPECT_EQ(EngineState::health(in), decisionTable[line].health)
          << "layouts " << in.layoutCount << " conflict " << static_cast<int>(in.triggerConflict)
          << " free " << in.triggerKeyFree;
    }
    EXPECT_GT(covered, 0);
  }
}

TEST(EngineStateTest, DecisionTableLinesPartitionAllInputs) {
  for (const EngineInputs& in : allInputCombinations()) {
    int matching = 0;
    for (const DecisionRow& row : decisionTable) matching += row.matches(in) ? 1 : 0;
    EXPECT_EQ(matching, 1);
  }
}

// The derivation's rules in priority order, written as predicates.
struct Rule {
  std::function<bool(const EngineInputs&)> when;
  EngineHealth health;
};

const std::vector<Rule> rulesInOrder = {
    {[](const EngineInputs& in) { return !in.hasAccessibility; }, H::noAccessibility},
    {[](const EngineInputs& in) { return in.layoutsUnswitchable; }, H::layoutsUnswitchable},
    {[](const EngineInputs& in) { return in.layoutCount < 2; }, H::needsLayouts},
    {[](const EngineInputs& in) { return globeConflict(in); }, H::globeNotFree},
    {[](const EngineInputs& in) { return capsLockConflict(in); }, H::capsLockNotFree},
    {[](const EngineInputs& in) { return metaConflict(in); }, H::metaNotFree},
    {[](const EngineInputs& in) { return !in.userEnabled; }, H::disabled},
    {[](const EngineInputs& in) { return !in.isRunning; }, H::tapDisabled},
    {[](const EngineInputs& in) { return in.tapDisabled; }, H::tapDisabled},
    {[](const EngineInputs& in) { return in.secureInput; }, H::secureInput},
};

TEST(EngineStateTest, ExhaustiveConsequencesHoldForEveryCombination) {
  // With a PC keyboard's conflict too: the desktop acting on a lone Meta tap.
  // And on a system that cannot switch layouts at all.
  std::vector<EngineInputs> combinations =
      allInputCombinations({KeyConflict::none, KeyConflict::globeKey,
                            KeyConflict::capsLockSwitching, KeyConflict::metaLauncher});
  for (EngineInputs in : std::vector<EngineInputs>(combinations)) {
    in.layoutsUnswitchable = true;
    combinations.push_back(in);
  }
  for (const EngineInputs& in : combinations) {
    const EngineHealth health = EngineState::health(in);
    const bool blocked = EngineState::isBlocked(in);
    const bool shouldRun = EngineState::shouldRun(in);
    const bool blockingHealth = health == H::noAccessibility || health == H::needsLayouts ||
                                health == H::globeNotFree || health == H::capsLockNotFree ||
                                health == H::metaNotFree || health == H::layoutsUnswitchable;

    EngineHealth firstMatch = H::active;
    for (const Rule& rule : rulesInOrder) {
      if (rule.when(in)) {
        firstMatch = rule.health;
        break;
      }
    }
    EXPECT_EQ(health, firstMatch);
    EXPECT_EQ(blocked, blockingHealth);
    EXPECT_EQ(shouldRun, !blockingHealth && health != H::disabled);
    EXPECT_EQ(shouldRun, in.userEnabled && !blocked);
    EXPECT_NE(health, H::noInputMonitoring);

    // Secure input never stops the engine and ranks below every other problem.
    EngineInputs withoutSecure = in;
    withoutSecure.secureInput = false;
    EXPECT_EQ(EngineState::isBlocked(withoutSecure), blocked);
    EXPECT_EQ(EngineState::shouldRun(withoutSecure), shouldRun);
    const EngineHealth otherwise = EngineState::health(withoutSecure);
    if (in.secureInput && otherwise == H::active) {
      EXPECT_EQ(health, H::secureInput);
    } else {
      EXPECT_EQ(health, otherwise);
    }
  }
}

EngineInputs favourable() {
  return EngineInputs{true, 2, KeyConflict::none, false, true, true, false, false};
}

TEST(EngineStateTest, FavourableInputsAreActiveAndShouldRun) {
  const EngineInputs in = favourable();
  EXPECT_EQ(EngineState::health(in), H::active);
  EXPECT_TRUE(EngineState::shouldRun(in));
  EXPECT_FALSE(EngineState::isBlocked(in));
}

TEST(EngineStateTest, LayoutCountLimitHoldsAtTheExtremes) {
  EngineInputs in = favourable();
  in.layoutCount = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(EngineState::health(in), H::needsLayouts);
  EXPECT_TRUE(EngineState::isBlocked(in));
  in.layoutCount = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(EngineState::health(in), H::active);
  EXPECT_FALSE(EngineState::isBlocked(in));
}

TEST(EngineStateTest, MemberwiseInitialisationFollowsTheFieldOrder) {
  const EngineInputs in{true, 5, KeyConflict::capsLockSwitching, true, false, true, false, true};
  EXPECT_TRUE(in.hasAccessibility);
  EXPECT_EQ(in.layoutCount, 5);
  EXPECT_EQ(in.triggerConflict, KeyConflict::capsLockSwitching);
  EXPECT_TRUE(in.triggerKeyFree);
  EXPECT_FALSE(in.userEnabled);
  EXPECT_TRUE(in.isRunning);
  EXPECT_FALSE(in.tapDisabled);
  EXPECT_TRUE(in.secureInput);
}

}  // namespace
}  // namespace kestravane
