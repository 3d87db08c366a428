// Choices: moving the highlight from one entry to another, for a text menu
// of eight entries and for a grid of 32 picture buttons.
#include <benchmark/benchmark.h>

#include "core/Cp932.h"
#include "headless/HeadlessSession.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

void BM_MenuHighlightMove(benchmark::State& state) {
  HeadlessSession session;
  Engine& e = session.engine;
  EngineProbe probe(e);
  e.Initialize();
  SelectionItems items;
  for (int i = 0; i < 8; ++i)
    items.ItemLabels[items.ItemCount++] = J("選択肢その") + std::to_string(i);
  MenuStyle style;
  style.fontName = probe.Message().FontTable[0];
  int from = 0;
  probe.PokeSelector().RedrawMenuHighlight(40, 40, items, style, 7, 0);  // every glyph cached
  for (auto _ : state) {
    const int to = (from + 3) % 8;
    probe.PokeSelector().RedrawMenuHighlight(40, 40, items, style, from, to);
    from = to;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MenuHighlightMove)->Unit(benchmark::kMicrosecond);

void BM_GridHighlightMove(benchmark::State& state) {
  HeadlessSession session;
  Engine& e = session.engine;
  Layers& layers = EngineProbe(e).PokeLayers();
  // 32 buttons of 80 × 60 in 8 columns; two looks per state row.
  layers.SpriteSheet = Picture(160, 60, 0x405060);
  SpriteSheetState& sheet = layers.state.sheet;
  sheet.cellWidth = 80;
  sheet.cellHeight = 60;
  sheet.columns = 2;
  sheet.rows = 1;
  sheet.usable = 1;
  for (int i = 0; i < 32; ++i) {
    layers.SetSpriteFrame(i, 0, 0);
    layers.PutSprite(i, (i % 8) * 80, (i / 8) * 60);
  }
  int from = 0;
  for (auto _ : state) {
    const int to = (from + 5) % 32;
    // What the grid does when the pointer moves from one entry to another.
    layers.SetSpriteFrame(from, 0, 0);
    layers.PutSprite(from, (from % 8) * 80, (from / 8) * 60);
    layers.SetSpriteFrame(to, 1, 0);
    layers.PutSprite(to, (to % 8) * 80, (to / 8) * 60);
    from = to;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GridHighlightMove)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvana
