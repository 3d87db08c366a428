// Picture and layer commands: argument defaults and evaluation; the work is
// done by Layers, the transitions and the effects.
#include "graphics/Effects.h"
#include "graphics/Layers.h"
#include "graphics/Transitions.h"
#include "script/Engine.h"

namespace korvana {

void Engine::RegisterLayerCommands() {
  auto& a = prog.ProgArgs;
  using Args = std::array<std::string, ProgState::kArgCount>;
  // An optional int argument: empty keeps `fallback`.
  auto intOr = [this](const std::string& text, int32_t fallback) {
    return text.empty() ? fallback : eval.EvalInt(text);
  };
  layers.runTransition = [this](std::string_view name) { RunTransition(layers, name); };
  SetScrollDisplay([this](const std::vector<std::string>& lines, int32_t interval, uint32_t colour,
                          int32_t step, int32_t skip, int32_t mode) {
    ScrollRoll(layers, lines, interval, colour, step, skip, mode);
  });

  commands.Add("_refresh", [this] { layers.RefreshScreen(); });
  commands.Add("_fade", [this, &a] { layers.Fade(std::string(a[0])); });
  commands.Add("_autorefresh", [this, &a] { layers.AutoRefreshMode = a[0]; });
  commands.Add("_smartrefresh", [this, &a] {
    const Args args = a;
    layers.SmartRefresh(args[0], args[1], args[2]);
  });
  commands.Add("_bgload", [this, &a] { layers.LoadBackground(std::string(a[0])); });
  commands.Add("_objload", [this, &a] {
    const Args args = a;
    layers.LoadObject(eval.EvalInt(args[0]), args[1], args[2]);
  });
  commands.Add("_objput", [this, &a] {
    const Args args = a;
    layers.PutObject(eval.EvalInt(args[0]), args[1], args[2], args[3], args[4]);
  });
  commands.Add("_objset", [this, &a, intOr] {
    const Args args = a;
    const int32_t slot = eval.EvalInt(args[0]);
    if (slot < 0 || slot >= kObjectCount) {
      layers.AutoRefresh();
      return;
    }
    const LayerRecord& r = layers.objectRecords[2 * slot];
    const int32_t show = intOr(args[1], r.shown);
    const std::string x = args[2].empty() ? std::to_string(r.x) : args[2];
    const std::string y = args[3].empty() ? std::to_string(r.y) : args[3];
    layers.SetObject(slot, show, x, y);
    layers.AutoRefresh();
  });
  commands.Add("_objclear", [this, &a, intOr] { layers.ClearObjects(intOr(a[0], -1)); });

  commands.Add("_efload", [this, &a] {
    const Args args = a;
    layers.LoadEffect(args[0], args[1], eval.EvalInt(args[2]));
  });
  commands.Add("_efset", [this, &a, intOr] {
    const Args args = a;
    const LayerRecord& e = layers.baseRecords[kEffectRecord];
    const int32_t show = eval.EvalInt(args[0]);
    const int32_t x = intOr(args[2], e.x), y = intOr(args[3], e.y);
    const int32_t position = intOr(args[4], e.position);
    layers.SetEffect(show, args[1].empty() ? "#COPY" : args[1], x, y, position);
  });

  commands.Add("_sprload", [this, &a] {
    const Args args = a;
    layers.LoadSpriteSheet(args[0], eval.EvalInt(args[1]), eval.EvalInt(args[2]), args[3]);
  });
  commands.Add("_sprset", [this, &a] {
    const Args args = a;
    layers.SetSpriteFrame(eval.EvalInt(args[0]), eval.EvalInt(args[1]), eval.EvalInt(args[2]));
  });
  commands.Add("_sprput", [this, &a] {
    const Args args = a;
    layers.PutSprite(eval.EvalInt(args[0]), eval.EvalInt(args[1]), eval.EvalInt(args[2]));
  });
  commands.Add("_sprhide", [this, &a] { layers.HideSprite(eval.EvalInt(a[0])); });
  commands.Add("_sprclear", [this] { layers.ClearSprites(); });
  commands.Add("_sprrefresh", [this] { layers.DrawSprites(); });
  commands.Add("_spranime", [this, &a] {
    const Args args = a;
    layers.SetSpriteAnimation(eval.EvalInt(args[0]), eval.EvalInt(args[1]));
  });
  commands.Add("_movplay", [this, &a, intOr] {
    const Args args = a;
    layers.PlayNumberedPictures(args[0], eval.EvalInt(args[1]), eval.EvalInt(args[2]),
                                intOr(args[3], 33), intOr(args[4], 0));
  });

  commands.Add("_shake", [this, &a, intOr] {
    const Args args = a;
    ShakeScreen(layers, intOr(args[0], 16), intOr(args[1], 5), intOr(args[2], 100), random_);
  });
  auto movingWindow = [this, &a](MovingWindowArgs::Kind kind) {
    const Args args = a;
    MovingWindowArgs w;
    w.kind = kind;
    w.file = args[0];
    int32_t* values[] = {&w.sourceX,         &w.sourceY,        &w.screenX, &w.screenY,
                         &w.width,           &w.height,         &w.count,   &w.interval,
                         &w.screenDirection, &w.sourceDirection};
    for (size_t i = 0; i < std::size(values); ++i) *values[i] = eval.EvalInt(args[1 + i]);
    if (kind == MovingWindowArgs::Kind::Plain) {
      MovingWindow(layers, w);
      return;
    }
    w.overlayX = eval.EvalInt(args[11]);
    w.overlayY = eval.EvalInt(args[12]);
    if (kind == MovingWindowArgs::Kind::RasterOverlay) {
      w.rasterOp = eval.EvalInt(args[13]);
    } else {
      w.overlayMask = args[13];
    }
    w.overlayFile = args[14];
    MovingWindow(layers, w);
  };
  commands.Add("_bhole", [movingWindow] { movingWindow(MovingWindowArgs::Kind::Plain); });
  commands.Add("_bholeop", [movingWindow] { movingWindow(MovingWindowArgs::Kind::RasterOverlay); });
  commands.Add("_bholeover",
               [movingWindow] { movingWindow(MovingWindowArgs::Kind::MaskedOverlay); });
}

}  // namespace korvana
