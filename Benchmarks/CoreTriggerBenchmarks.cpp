// The per-event and per-switch decisions of the core: the trigger state machine (runs inside the
// event-tap callback), the layout successor rule and decoding the stored configuration.
#include <benchmark/benchmark.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "KestravaneCore/LayoutCycler.h"
#include "KestravaneCore/PlivexConfig.h"
#include "KestravaneCore/TriggerStateMachine.h"

namespace kestravane {
namespace {

// A plausible stretch of typing: lone taps, taps spoilt by other keys, a long hold, key repeat.
constexpr std::array typingSequence{
    TriggerEvent::triggerDown, TriggerEvent::triggerUp,                            // lone tap
    TriggerEvent::otherKey,    TriggerEvent::otherKey,    TriggerEvent::otherKey,  // typing
    TriggerEvent::triggerDown, TriggerEvent::otherKey,    TriggerEvent::otherKey,
    TriggerEvent::triggerUp,  // used as a modifier
    TriggerEvent::triggerDown, TriggerEvent::triggerDown, TriggerEvent::triggerUp,  // repeat
    TriggerEvent::triggerDown, TriggerEvent::timeout,     TriggerEvent::triggerUp,  // long hold
    TriggerEvent::otherKey,
};

void BM_TriggerStateMachineHandle(benchmark::State& state) {
  TriggerStateMachine machine;
  std::size_t fires = 0;
  for (auto _ : state) {
    for (TriggerEvent event : typingSequence) {
      fires += machine.handle(event) == TriggerAction::fire ? 1 : 0;
    }
    benchmark::DoNotOptimize(fires);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(typingSequence.size()));
}
BENCHMARK(BM_TriggerStateMachineHandle);

// Real identifiers are longer than the small-string buffer, so copying one allocates.
std::vector<std::string> layoutIds(std::int64_t count) {
  const std::array<std::string_view, 8> names{"US",     "Russian", "German",    "French",
                                              "Polish", "Czech",   "Ukrainian", "Hebrew"};
  std::vector<std::string> ids;
  for (std::int64_t i = 0; i < count; ++i) {
    ids.push_back("com.apple.keylayout." + std::string(names[static_cast<std::size_t>(i)]));
  }
  return ids;
}

// Walks the whole cycle, one successor per switch, as repeated taps would.
void BM_LayoutCyclerNext(benchmark::State& state) {
  const LayoutCycler cycler(layoutIds(state.range(0)));
  std::optional<std::string> current = cycler.sources().front();
  for (auto _ : state) {
    current = cycler.next(current);
    benchmark::DoNotOptimize(current);
  }
}
BENCHMARK(BM_LayoutCyclerNext)->Arg(2)->Arg(3)->Arg(8);

void BM_DecodeStoredConfig(benchmark::State& state) {
  const std::string stored =
      encodeConfig(PlivexConfig(TriggerKind::capsLock, AppLanguage::ru, true));
  for (auto _ : state) {
    auto result = decodeConfig(stored);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stored.size()));
}
BENCHMARK(BM_DecodeStoredConfig);

void BM_EncodeConfig(benchmark::State& state) {
  const PlivexConfig config(TriggerKind::capsLock, AppLanguage::ru, true);
  for (auto _ : state) {
    auto text = encodeConfig(config);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_EncodeConfig);

}  // namespace
}  // namespace kestravane
