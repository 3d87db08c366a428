// Picture and layer commands: argument defaults and evaluation; the work is
// done by Layers, the transitions and the effects.
#include "graphics/Effects.h"
#include "graphics/Layers.h"
#include "graphics/Transitions.h"
#include "script/Engine.h"
#include "script/commands/CommandBindings.h"

namespace korvana {
namespace {

// An optional int argument: empty keeps `fallback`.
int32_t IntOr(Evaluator& eval, const std::string& text, int32_t fallback) {
  return text.empty() ? fallback : eval.EvalInt(text);
}

// The moving window of `_bhole`, `_bholeop` and `_bholeover`: a file, ten
// ints, then the overlay's arguments of the kind.
MovingWindowArgs MovingWindowFrom(Evaluator& eval, const CommandArgs& a,
                                  MovingWindowArgs::Kind kind) {
  MovingWindowArgs w;
  w.kind = kind;
  w.file = a[0];
  int32_t* values[] = {&w.sourceX, &w.sourceY, &w.screenX,  &w.screenY,         &w.width,
                       &w.height,  &w.count,   &w.interval, &w.screenDirection, &w.sourceDirection};
  for (size_t i = 0; i < std::size(values); ++i) *values[i] = eval.EvalInt(a[1 + i]);
  if (kind == MovingWindowArgs::Kind::Plain) return w;
  w.overlayX = eval.EvalInt(a[11]);
  w.overlayY = eval.EvalInt(a[12]);
  if (kind == MovingWindowArgs::Kind::RasterOverlay)
    w.rasterOp = eval.EvalInt(a[13]);
  else
    w.overlayMask = a[13];
  w.overlayFile = a[14];
  return w;
}

}  // namespace

std::span<const CommandSpec> CommandBindings::LayerTable() {
  using A = const CommandArgs&;
  static const CommandSpec table[] = {
      {"_refresh", "", [](Engine& e, A) { e.layers.RefreshScreen(); }},
      {"_fade", "t", [](Engine& e, A a) { e.layers.Fade(a[0]); }},
      {"_autorefresh", "t", [](Engine& e, A a) { e.layers.state.AutoRefreshMode = a[0]; }},
      {"_smartrefresh", "ttt", [](Engine& e, A a) { e.layers.SmartRefresh(a[0], a[1], a[2]); }},
      {"_bgload", "t", [](Engine& e, A a) { e.layers.LoadBackground(a[0]); }},
      {"_objload", "itt",
       [](Engine& e, A a) { e.layers.LoadObject(e.eval_.EvalInt(a[0]), a[1], a[2]); }},
      {"_objput", "itttt",
       [](Engine& e, A a) { e.layers.PutObject(e.eval_.EvalInt(a[0]), a[1], a[2], a[3], a[4]); }},
      {"_objset", "iitt",
       [](Engine& e, A a) {
         const int32_t slot = e.eval_.EvalInt(a[0]);
         if (slot < 0 || slot >= kObjectCount) {
           e.layers.AutoRefresh();
           return;
         }
         const LayerRecord& r = e.layers.state.objectRecords[2 * slot];
         const int32_t show = IntOr(e.eval_, a[1], r.shown);
         const std::string x = a[2].empty() ? std::to_string(r.x) : a[2];
         const std::string y = a[3].empty() ? std::to_string(r.y) : a[3];
         e.layers.SetObject(slot, show, x, y);
         e.layers.AutoRefresh();
       }},
      {"_objclear", "i", [](Engine& e, A a) { e.layers.ClearObjects(IntOr(e.eval_, a[0], -1)); }},
      {"_efload", "tti",
       [](Engine& e, A a) { e.layers.LoadEffect(a[0], a[1], e.eval_.EvalInt(a[2])); }},
      {"_efset", "itiii",
       [](Engine& e, A a) {
         const LayerRecord& r = e.layers.state.baseRecords[kEffectRecord];
         const int32_t show = e.eval_.EvalInt(a[0]);
         const int32_t x = IntOr(e.eval_, a[2], r.x), y = IntOr(e.eval_, a[3], r.y);
         const int32_t position = IntOr(e.eval_, a[4], r.position);
         e.layers.SetEffect(show, a[1].empty() ? "#COPY" : a[1], x, y, position);
       }},
      {"_sprload", "tiit",
       [](Engine& e, A a) {
         e.layers.LoadSpriteSheet(a[0], e.eval_.EvalInt(a[1]), e.eval_.EvalInt(a[2]), a[3]);
       }},
      {"_sprset", "iii",
       [](Engine& e, A a) {
         e.layers.SetSpriteFrame(e.eval_.EvalInt(a[0]), e.eval_.EvalInt(a[1]),
                                 e.eval_.EvalInt(a[2]));
       }},
      {"_sprput", "iii",
       [](Engine& e, A a) {
         e.layers.PutSprite(e.eval_.EvalInt(a[0]), e.eval_.EvalInt(a[1]), e.eval_.EvalInt(a[2]));
       }},
      {"_sprhide", "i", [](Engine& e, A a) { e.layers.HideSprite(e.eval_.EvalInt(a[0])); }},
      {"_sprclear", "", [](Engine& e, A) { e.layers.ClearSprites(); }},
      {"_sprrefresh", "", [](Engine& e, A) { e.layers.DrawSprites(); }},
      {"_spranime", "ii",
       [](Engine& e, A a) {
         e.layers.SetSpriteAnimation(e.eval_.EvalInt(a[0]), e.eval_.EvalInt(a[1]));
       }},
      {"_movplay", "tiiii",
       [](Engine& e, A a) {
         e.layers.PlayNumberedPictures(a[0], e.eval_.EvalInt(a[1]), e.eval_.EvalInt(a[2]),
                                       IntOr(e.eval_, a[3], 33), IntOr(e.eval_, a[4], 0));
       }},
      {"_shake", "iii",
       [](Engine& e, A a) {
         ShakeScreen(e.layers, IntOr(e.eval_, a[0], 16), IntOr(e.eval_, a[1], 5),
                     IntOr(e.eval_, a[2], 100), e.random_);
       }},
      {"_bhole", "tiiiiiiiiii",
       [](Engine& e, A a) {
         MovingWindow(e.layers, MovingWindowFrom(e.eval_, a, MovingWindowArgs::Kind::Plain));
       }},
      {"_bholeop", "tiiiiiiiiiiiiit",
       [](Engine& e, A a) {
         MovingWindow(e.layers,
                      MovingWindowFrom(e.eval_, a, MovingWindowArgs::Kind::RasterOverlay));
       }},
      {"_bholeover", "tiiiiiiiiiiiitt",
       [](Engine& e, A a) {
         MovingWindow(e.layers,
                      MovingWindowFrom(e.eval_, a, MovingWindowArgs::Kind::MaskedOverlay));
       }},
  };
  return table;
}

}  // namespace korvana
