#include "graphics/Layers.h"

#include <algorithm>
#include <optional>

#include "core/ClickState.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/SystemSwitches.h"
#include "core/Waits.h"
#include "expr/Evaluator.h"
#include "graphics/Blend.h"
#include "graphics/Mask.h"
#include "graphics/RowPasses.h"
#include "graphics/Transitions.h"
#include "platform/Platform.h"

namespace korvana {
namespace {

// Position keywords of an object: x "#LEFT", "#CENTER", "#RIGHT"; y "#TOP",
// "#CENTER", "#BOTTOM". Another "#" text gives 0; anything else is an
// expression.
int32_t PlaceCoordinate(const std::string& text, int screen, int size, bool horizontal,
                        Evaluator& eval) {
  if (text.empty() || text[0] != '#') return eval.EvalInt(text);
  if (text == (horizontal ? "#LEFT" : "#TOP")) return 0;
  if (text == "#CENTER") return (screen - size) / 2;
  if (text == (horizontal ? "#RIGHT" : "#BOTTOM")) return screen - size;
  return 0;
}

}  // namespace

Layers::Layers(LayerEnvironment environment) : env(std::move(environment)) {}

// ---------------------------------------------------------------- composition

void Layers::Darken(Picture& picture, int32_t rate) {
  RowPasses passes;
  passes.Darken(picture, rate);
}

void Layers::BlendEffectLayer(RowPasses& passes) {
  const LayerRecord& e = state.baseRecords[kEffectRecord];
  passes.Blend(e.blendMode, e.x, e.y, EffectLayer.Width(), EffectLayer.Height(), EffectLayer,
               env.screen.WorkScreen, EffectMask, e.maskMode);
}

void Layers::DrawObject(int slot, RowPasses& passes) {
  const LayerRecord& r = state.objectRecords[2 * slot];
  Picture& work = env.screen.WorkScreen;
  if (r.transparent) {
    passes.Draw(work, r.x, r.y, objectMasks[slot], RasterOp::And);
    passes.Draw(work, r.x, r.y, objectPictures[slot], RasterOp::Or);
  } else {
    passes.Draw(work, r.x, r.y, objectPictures[slot]);
  }
}

// The layers go down band by band (RowPasses.h): the scene is walked once
// whatever the number of layers.
void Layers::Compose(const Hidden& hidden, bool darkness, RowPasses& passes) {
  Picture& work = env.screen.WorkScreen;
  if (work.Width() != kScreenWidth || work.Height() != kScreenHeight)
    work.Resize(kScreenWidth, kScreenHeight);
  if (backgroundPresent) {
    const LayerRecord& bg = state.baseRecords[kBackgroundRecord];
    // A background smaller than the screen leaves black beyond its edges.
    if (BackgroundLayer.Width() - int64_t{bg.x} < kScreenWidth ||
        BackgroundLayer.Height() - int64_t{bg.y} < kScreenHeight || bg.x < 0 || bg.y < 0)
      passes.Fill(work, 0);
    passes.Blit(work, 0, 0, kScreenWidth, kScreenHeight, BackgroundLayer, bg.x, bg.y);
  }
  const LayerRecord& e = state.baseRecords[kEffectRecord];
  const bool effect = e.shown && !hidden.effect;
  if (effect && e.position == 0) BlendEffectLayer(passes);
  for (int slot = 0; slot < kObjectCount; ++slot)
    if (state.objectRecords[2 * slot].shown && !(hidden.objects & (1u << slot)))
      DrawObject(slot, passes);
  if (effect && (e.position == 1 || e.position == 2)) BlendEffectLayer(passes);
  if (darkness && !holdDarkness_ && settings.DarknessEnabled && !env.switches.DarknessSuppressed)
    passes.Darken(work, settings.DarknessRate);
}

void Layers::ComposeScene() {
  RowPasses passes;
  Compose(Hidden{}, true, passes);
}

void Layers::ComposeWithout(uint32_t objects, bool effect) {
  RowPasses passes;
  Compose(Hidden{objects, effect}, false, passes);
}

bool Layers::OverlayMessage(Picture& target) const {
  return !holdMessage_ && env.message.OverlayMessage(target);
}

void Layers::RefreshScreen() {
  {
    // The screen's rows follow the scene's in the same bands, and the
    // message window's with them when it says which pictures it lays.
    RowPasses passes;
    Compose(Hidden{}, true, passes);
    Picture& back = env.screen.BackImage;
    passes.Draw(back, 0, 0, env.screen.WorkScreen);
    const MessageWindow::LaidPictures message =
        holdMessage_ ? MessageWindow::LaidPictures{} : env.message.Laid();
    const bool laid = message.mask && message.image;
    if (laid) {
      passes.Draw(back, 0, 0, *message.mask, RasterOp::And);
      passes.Draw(back, 0, 0, *message.image, RasterOp::Or);
    }
    passes.Run();
    if (laid || OverlayMessage(back)) LayersDirty = false;
  }
  DrawSprites();  // tells the platform the screen changed
  env.pump.ProcessMessages();
}

void Layers::DrawSprites() {
  env.window.InvalidateScreen();
  const SpriteSheetState& sheet = state.sheet;
  if (!sheet.usable) return;
  Picture& screen = env.screen.BackImage;
  const int w = sheet.cellWidth, h = sheet.cellHeight;
  for (const Sprite& s : state.sprites) {
    if (!s.visible) continue;
    // A saved game may name any cell: the products are 64 bits wide.
    const int64_t sx = int64_t{s.column} * w, sy = int64_t{s.row} * h;
    if (sheet.transparent) {
      screen.Blit(s.x, s.y, w, h, SpriteMask, sx, sy, RasterOp::And);
      screen.Blit(s.x, s.y, w, h, SpriteSheet, sx, sy, RasterOp::Or);
    } else {
      screen.Blit(s.x, s.y, w, h, SpriteSheet, sx, sy);
    }
  }
}

void Layers::AutoRefresh() {
  if (state.AutoRefreshMode == "0") return;
  if (state.AutoRefreshMode == "1") {
    RefreshScreen();
  } else {
    Fade(state.AutoRefreshMode);
  }
}

void Layers::Fade(std::string_view name) {
  // While the reader skips, a transition is shown at its end at once.
  if (env.click.SkipReadMode || env.click.CtrlSkipping(env.pump.TickCount()))
    RefreshScreen();
  else
    RunTransition(*this, name);
}

void Layers::SmartRefresh(const std::string& first, const std::string& second,
                          const std::string& darknessSwitch) {
  auto stage = [&](const std::string& name) {
    if (!name.empty())
      Fade(name);
    else
      RefreshScreen();
  };
  // The first stage shows the scene without the message window (and, with
  // the switch, without the darkness); both come back for the second.
  struct Hold {
    bool& message;
    bool& darkness;
    ~Hold() { message = darkness = false; }
  } hold{holdMessage_, holdDarkness_};
  holdMessage_ = true;
  holdDarkness_ = !darknessSwitch.empty() && darknessSwitch != "0";
  stage(first);
  holdMessage_ = holdDarkness_ = false;
  stage(second);
}

// ------------------------------------------------------------------ loading

WarningBox PlatformWarning(Dialogs& dialogs) {
  return [&dialogs](const std::string& text) {
    dialogs.MessageBox(text, "", BoxButtons::Ok, BoxIcon::Exclamation);
  };
}

void Layers::Load(std::string_view file, Picture& picture) {
  LoadPicture(file, picture, env.files, env.errors, PlatformWarning(env.dialogs));
}

void Layers::BuildMask(Picture& picture, Picture& mask, int32_t colorKey, std::string_view spec,
                       int sizeMode, std::string& maskSpec) {
  if (colorKey == kNoTransparency) return;
  if (colorKey == kMaskFromFile) {
    BuildFileMask(picture, mask, spec, sizeMode, ScratchPicture, env.files, env.errors,
                  PlatformWarning(env.dialogs));
    maskSpec = std::string(spec);
  } else {
    BuildColorKeyMask(picture, mask, static_cast<uint32_t>(colorKey));
  }
}

void Layers::LoadBackground(std::string_view file) {
  LayersDirty = true;
  Load(file, BackgroundLayer);
  state.baseRecords[kBackgroundRecord].ResetForLoad(file);
  backgroundPresent = true;
  AutoRefresh();
}

void Layers::LoadObject(int32_t slot, std::string_view file, std::string_view spec) {
  if (slot < 0 || slot >= kObjectCount) return;
  LayersDirty = true;
  Picture& picture = objectPictures[slot];
  Load(file, picture);
  LayerRecord& r = state.objectRecords[2 * slot];
  const int32_t key = ParseTransparencySpec(spec, picture, env.errors);
  r.colorKey = key;
  r.fileName = std::string(file);
  r.maskSpec.clear();
  r.shown = 0;
  r.loaded = 1;
  r.transparent = key != kNoTransparency;
  r.x = r.y = 0;
  BuildMask(picture, objectMasks[slot], key, spec, 0, r.maskSpec);
  LayerRecord& m = state.objectRecords[2 * slot + 1];
  m.fileName = r.maskSpec;
}

void Layers::SetObject(int32_t slot, int32_t show, const std::string& xText,
                       const std::string& yText) {
  if (slot < 0 || slot >= kObjectCount || !state.objectRecords[2 * slot].loaded) return;
  LayerRecord& r = state.objectRecords[2 * slot];
  if (show == -1) {
    r.Unload();
    objectPictures[slot].Resize(8, 8);
    objectMasks[slot].Resize(8, 8);
  } else {
    r.shown = show != 0;
    const Picture& p = objectPictures[slot];
    r.x = PlaceCoordinate(xText, kScreenWidth, p.Width(), true, env.eval);
    r.y = PlaceCoordinate(yText, kScreenHeight, p.Height(), false, env.eval);
  }
  LayersDirty = true;
}

void Layers::PutObject(int32_t slot, std::string_view file, std::string_view spec,
                       const std::string& xText, const std::string& yText) {
  if (slot >= 0 && slot < kObjectCount) {
    const LayerRecord& r = state.objectRecords[2 * slot];
    const std::string x = xText.empty() ? std::to_string(r.x) : xText;
    const std::string y = yText.empty() ? std::to_string(r.y) : yText;
    LoadObject(slot, file, spec);
    SetObject(slot, 1, x, y);
  }
  AutoRefresh();
}

void Layers::ClearObjects(int32_t show) {
  for (int slot = 0; slot < kObjectCount; ++slot) {
    const LayerRecord& r = state.objectRecords[2 * slot];
    SetObject(slot, show, std::to_string(r.x), std::to_string(r.y));
  }
  AutoRefresh();
}

void Layers::LoadEffect(std::string_view file, std::string_view spec, int32_t maskSizeMode) {
  LayersDirty = true;
  const int sizeMode = maskSizeMode > 0 ? 2 : 0;
  Load(file, EffectLayer);
  LayerRecord& e = state.baseRecords[kEffectRecord];
  e.ResetForLoad(file);
  const int32_t key = ParseTransparencySpec(spec, EffectLayer, env.errors);
  e.colorKey = key;
  e.transparent = key != kNoTransparency;
  BuildMask(EffectLayer, EffectMask, key, spec, sizeMode, e.maskSpec);
  e.maskMode = !e.transparent ? 0 : sizeMode == 0 ? 1 : 2;
}

void Layers::SetEffect(int32_t show, const std::string& keyword, int32_t x, int32_t y,
                       int32_t position) {
  LayersDirty = true;
  LayerRecord& e = state.baseRecords[kEffectRecord];
  if (show == -1) {
    e.shown = e.loaded = e.transparent = 0;
    e.fileName.clear();
    e.maskSpec.clear();
    e.x = e.y = e.position = 0;
    e.colorKey = kNoTransparency;
    EffectLayer.Resize(8, 8);
    LayerRecord& m = state.baseRecords[kEffectMaskRecord];
    m.shown = m.loaded = m.transparent = 0;
    m.fileName.clear();
    EffectMask.Resize(8, 8);
  } else if (e.maskMode == 1 && (EffectMask.Width() != EffectLayer.Width() ||
                                 EffectMask.Height() != EffectLayer.Height())) {
    env.errors.ScriptError(J("エフェクト画像とマスク画像のサイズが違います(MASKMODE:任意)"));
  } else if (e.maskMode == 2 &&
             (EffectMask.Width() != kScreenWidth || EffectMask.Height() != kScreenHeight)) {
    env.errors.ScriptError(J("マスク画像のサイズが異常です。(MASKMODE:固定)"));
  } else {
    e.shown = show != 0;
    const std::optional<int> mode = BlendModeFromKeyword(keyword);
    if (!mode) env.errors.ScriptError(J("重ね合わせモードが間違っています:") + keyword);
    e.blendMode = mode.value_or(0);
    e.x = x;
    e.y = y;
    e.position = position;
  }
  AutoRefresh();
}

// ------------------------------------------------------------------ sprites

void Layers::LoadSpriteSheet(std::string_view file, int32_t cellWidth, int32_t cellHeight,
                             std::string_view spec) {
  LayersDirty = true;
  SpriteSheetState& sheet = state.sheet;
  sheet.fileName = std::string(file);
  sheet.maskSpec.clear();
  Load(file, SpriteSheet);
  const int32_t key = ParseTransparencySpec(spec, SpriteSheet, env.errors);
  sheet.cellWidth = cellWidth;
  sheet.cellHeight = cellHeight;
  sheet.colorKey = key;
  sheet.transparent = key != kNoTransparency;
  for (Sprite& s : state.sprites) s.x |= kSpriteOffScreen;
  BuildMask(SpriteSheet, SpriteMask, key, spec, 0, sheet.maskSpec);
  if (cellWidth <= 0 || cellHeight <= 0) {
    // No grid can be cut: the sheet is refused until a sound load.
    sheet.columns = sheet.rows = 0;
    sheet.usable = 0;
    env.errors.ScriptError(J("スプライトのセルの大きさが正しくありません:") + std::string(file));
    return;
  }
  sheet.columns = SpriteSheet.Width() / cellWidth;
  sheet.rows = SpriteSheet.Height() / cellHeight;
  if (sheet.columns >= 1 && sheet.rows >= 1) sheet.usable = 1;
}

void Layers::SetSpriteFrame(int32_t n, int32_t column, int32_t row) {
  const SpriteSheetState& sheet = state.sheet;
  if (n < 0 || n >= kSpriteCount || !sheet.usable) return;
  if (column < 0 || column >= sheet.columns || row < 0 || row >= sheet.rows) return;
  state.sprites[n].column = column;
  state.sprites[n].row = row;
  state.sprites[n].animation = 0;
}

void Layers::RestoreSpriteRect(const Sprite& s) {
  env.screen.BackImage.Blit(s.x, s.y, state.sheet.cellWidth, state.sheet.cellHeight,
                            env.screen.WorkScreen, s.x, s.y);
}

void Layers::PutSprite(int32_t n, int32_t x, int32_t y) {
  if (n < 0 || n >= kSpriteCount) return;
  Sprite& s = state.sprites[n];
  s.visible = 1;
  if (s.animation != 0) {
    // Without columns (no sheet) the frame stays where it is.
    const int32_t columns = state.sheet.columns;
    if (columns > 0) s.column = static_cast<int32_t>((int64_t{s.column} + 1) % columns);
    if (s.animation > 0) --s.animation;
  }
  if (s.OnScreen()) RestoreSpriteRect(s);
  s.x = x;
  s.y = y;
  DrawSprites();
}

void Layers::HideSprite(int32_t n) {
  if (n < 0 || n >= kSpriteCount) return;
  Sprite& s = state.sprites[n];
  if (!s.visible) return;
  RestoreSpriteRect(s);
  s.x |= kSpriteOffScreen;
  s.visible = 0;
  DrawSprites();
}

void Layers::ClearSprites() {
  for (int n = 0; n < kSpriteCount; ++n) HideSprite(n);
}

void Layers::SetSpriteAnimation(int32_t n, int32_t count) {
  if (n >= 0 && n < kSpriteCount) state.sprites[n].animation = count;
}

// ------------------------------------------------------- numbered pictures

std::string NumberedFrameName(std::string_view file, int64_t number) {
  const size_t cut = file.size() >= 4 ? file.size() - 4 : 0;
  const std::string_view stem = file.substr(0, cut), extension = file.substr(cut);
  const std::string digits = "000" + std::to_string(number);
  return std::string(stem) + digits.substr(digits.size() - 3) + std::string(extension);
}

void Layers::PlayNumberedPictures(std::string_view file, int32_t first, int32_t last,
                                  int32_t interval, int32_t overlay) {
  for (int64_t number = first; number <= last; ++number) {
    const uint32_t start = env.pump.TickCount();
    const std::string name = NumberedFrameName(file, number);
    Load(name, env.screen.WorkScreen);
    state.baseRecords[kWorkScreenRecord].ResetForLoad(name);
    if (overlay == 1) OverlayMessage(env.screen.WorkScreen);
    env.screen.BackImage.Draw(0, 0, env.screen.WorkScreen);
    env.window.InvalidateScreen();
    env.waits.WaitUntil(start, interval);
  }
  // A frame of another size must not leave the scene picture mis-sized for
  // the next composition.
  if (env.screen.WorkScreen.Width() != kScreenWidth ||
      env.screen.WorkScreen.Height() != kScreenHeight) {
    Picture frame = std::move(env.screen.WorkScreen);
    env.screen.WorkScreen.Resize(kScreenWidth, kScreenHeight);
    env.screen.WorkScreen.Draw(0, 0, frame);
  }
  LayersDirty = true;
}

// --------------------------------------------------------------------- menu

void Layers::ToggleDarkness() {
  settings.DarknessEnabled = !settings.DarknessEnabled;
  env.window.SetMenuItemChecked(MenuItem::Darkness, settings.DarknessEnabled);
  if (!LayersDirty) RefreshScreen();
  env.click.ClearClicks();
}

// -------------------------------------------------------------------- reset

void Layers::RestorePictures() {
  // Loading the background must not start the automatic refresh: the load
  // shows the whole scene with its own transition afterwards.
  const std::string autoRefresh = state.AutoRefreshMode;
  state.AutoRefreshMode = "0";
  auto guarded = [this](auto&& load) {
    try {
      load();
    } catch (const ScriptException& e) {
      env.dialogs.ShowException(e.what());
      env.errors.ReportScriptError(e.what());
    }
  };
  auto mask = [&](Picture& picture, Picture& pictureMask, int32_t colorKey, std::string& maskSpec,
                  int sizeMode) {
    if (colorKey == kMaskFromFile && !maskSpec.empty())
      BuildMask(picture, pictureMask, colorKey, maskSpec, sizeMode, maskSpec);
    else
      BuildColorKeyMask(picture, pictureMask, static_cast<uint32_t>(colorKey));
  };
  const std::string background = state.baseRecords[kBackgroundRecord].fileName;
  if (!background.empty()) guarded([&] { LoadBackground(background); });
  for (int slot = 0; slot < kObjectCount; ++slot) {
    LayerRecord& r = state.objectRecords[2 * slot];
    if (r.fileName.empty() || !r.loaded) continue;
    guarded([&] {
      Load(r.fileName, objectPictures[slot]);
      if (r.transparent) mask(objectPictures[slot], objectMasks[slot], r.colorKey, r.maskSpec, 0);
    });
  }
  LayerRecord& e = state.baseRecords[kEffectRecord];
  if (e.loaded) {
    guarded([&] {
      Load(e.fileName, EffectLayer);
      if (e.transparent)
        mask(EffectLayer, EffectMask, e.colorKey, e.maskSpec, e.maskMode == 2 ? 2 : 0);
    });
  }
  SpriteSheetState& sheet = state.sheet;
  if (!sheet.fileName.empty() && sheet.usable) {
    guarded([&] {
      Load(sheet.fileName, SpriteSheet);
      if (sheet.transparent) mask(SpriteSheet, SpriteMask, sheet.colorKey, sheet.maskSpec, 0);
    });
  }
  state.AutoRefreshMode = autoRefresh;
  LayersDirty = true;
}

void Layers::ResetLayers() {
  Picture* pictures[kBaseRecordCount] = {nullptr, &BackgroundLayer, &EffectLayer,
                                         nullptr, nullptr,          &EffectMask,
                                         nullptr, nullptr,          &ScratchPicture};
  for (int i = 1; i < kBaseRecordCount; ++i) {
    LayerRecord& r = state.baseRecords[i];
    r.Unload();
    r.maskMode = r.position = 0;
    if (pictures[i]) pictures[i]->Resize(8, 8);
  }
  for (int i = 0; i < 2 * kObjectCount; ++i) {
    state.objectRecords[i].Unload();
    state.objectRecords[i].maskMode = state.objectRecords[i].position = 0;
  }
  for (int slot = 0; slot < kObjectCount; ++slot) {
    objectPictures[slot].Resize(8, 8);
    objectMasks[slot].Resize(8, 8);
  }
  SpriteSheet.Resize(8, 8);
  SpriteMask.Resize(8, 8);
  state.sprites.fill(Sprite{});
  SpriteSheetState& sheet = state.sheet;
  sheet.colorKey = kNoTransparency;
  sheet.transparent = sheet.usable = 0;
  sheet.fileName.clear();
  sheet.maskSpec.clear();
  TransitionBuffer = Picture();
  env.screen.WorkScreen.Resize(kScreenWidth, kScreenHeight);
}

}  // namespace korvana
