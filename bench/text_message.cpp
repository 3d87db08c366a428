// Message text speed: one cached glyph with its shadow onto the layer and the
// screen, and a whole page in high-speed mode.
#include <benchmark/benchmark.h>

#include "core/Cp932.h"
#include "headless/HeadlessSession.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

void BM_DrawCharCachedGlyphWithShadow(benchmark::State& state) {
  HeadlessSession session;
  Engine& e = session.engine;
  EngineProbe probe(e);
  e.Initialize();
  const std::string a = J("あ");
  probe.PokeMessage().DrawChar(a);  // renders and caches the glyph
  for (auto _ : state) {
    // Kept on the first line, so the page never ends inside the loop.
    probe.PokeMessage().text.CursorX = 240;
    probe.PokeMessage().text.CursorY = 0;
    benchmark::DoNotOptimize(probe.PokeMessage().DrawChar(a));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawCharCachedGlyphWithShadow)->Unit(benchmark::kMicrosecond);

void BM_FullPageHighSpeed(benchmark::State& state) {
  HeadlessSession session;
  Engine& e = session.engine;
  EngineProbe probe(e);
  e.Initialize();
  probe.PokeClicks().HighSpeedMode = true;
  // 286 different characters: 11 lines of 26, the last one ending the page
  // (its click wait is answered at once by the headless platform).
  const std::string kana =
      J("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわを"
        "んアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロ");
  std::string page;
  for (size_t i = 0; page.size() < 286 * 2; i = (i + 2) % kana.size()) page += kana.substr(i, 2);
  page += "%";
  probe.PokeMessage().ShowTextLine(page, 1);  // every glyph cached
  for (auto _ : state) probe.PokeMessage().ShowTextLine(page, 1);
  state.SetItemsProcessed(state.iterations() * 286);
}
BENCHMARK(BM_FullPageHighSpeed)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvana
