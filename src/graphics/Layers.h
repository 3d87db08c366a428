#pragma once
// The screen's layer state and its composition: one background, an effect
// layer, three object slots and a sprite sheet with 32 sprites. Layer
// commands change the state and mark it dirty; the scene reaches the screen
// through RefreshScreen or a transition (Transitions.h).
//
// The message window belongs to the text layer; this class lays it over the
// scene through MessageWindow, and leaves it out during the first stage of a
// two-stage refresh.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ScreenSize.h"
#include "graphics/LayerState.h"
#include "graphics/Picture.h"
#include "graphics/PictureLoader.h"
#include "graphics/Screen.h"

namespace korvana {

class Dialogs;
class ErrorSink;
class Evaluator;
class GameFiles;
class Pump;
class RowPasses;
class Waits;
class Window;
struct ClickState;

// The picture `_movplay` shows as frame `number` of `file`: the number's last
// three digits, zero-filled, before the name's last four characters (its
// extension): "op.png", 7 -> "op007.png".
std::string NumberedFrameName(std::string_view file, int64_t number);
struct SystemSwitches;

// The player's settings the composition follows: the darkness switch (the
// menu flips it), `DarknessRate` (0 to 256) and `TextHideMode`.
struct LayerSettings {
  bool DarknessEnabled = true;
  int32_t DarknessRate = 32;
  int32_t TextHideMode = 0;
};

// The loaders' warning dialog as the platform's OK box.
WarningBox PlatformWarning(Dialogs& dialogs);

// What the layers need from the engine around them.
struct LayerEnvironment {
  Pump& pump;
  Window& window;
  Dialogs& dialogs;
  ErrorSink& errors;
  Waits& waits;
  ClickState& click;
  const GameFiles& files;
  Screen& screen;
  const MessageWindow& message;
  // `_sysdark` keeps the darkness off.
  const SystemSwitches& switches;
  // Object positions that are not keywords are expressions.
  Evaluator& eval;
};

class Layers {
 public:
  explicit Layers(LayerEnvironment env);

  // --- composition ----------------------------------------------------------
  void ComposeScene();
  // The scene with the objects of bit mask `objects` and, with `effect`, the
  // effect layer left out; never darkened (the picture-only view).
  void ComposeWithout(uint32_t objects, bool effect);
  void RefreshScreen();
  void DrawSprites();
  // Lays the message window over `target` when it is visible (AND mask, OR
  // image) and not held back by a two-stage refresh; false otherwise.
  bool OverlayMessage(Picture& target) const;
  // The automatic refresh after a layer command.
  void AutoRefresh();
  void SmartRefresh(const std::string& first, const std::string& second,
                    const std::string& darknessSwitch);
  // `_fade` and the refreshes' transitions: a transition, or a plain
  // refresh while the reader skips (read text, or Ctrl held).
  void Fade(std::string_view name);

  // --- layer commands -------------------------------------------------------
  void LoadBackground(std::string_view file);
  void LoadObject(int32_t slot, std::string_view file, std::string_view spec);
  // The setting step behind `_objput`, `_objset` and `_objclear`.
  void SetObject(int32_t slot, int32_t show, const std::string& xText, const std::string& yText);
  void PutObject(int32_t slot, std::string_view file, std::string_view spec,
                 const std::string& xText, const std::string& yText);
  void ClearObjects(int32_t show);
  void LoadEffect(std::string_view file, std::string_view spec, int32_t maskSizeMode);
  void SetEffect(int32_t show, const std::string& keyword, int32_t x, int32_t y, int32_t position);
  void LoadSpriteSheet(std::string_view file, int32_t cellWidth, int32_t cellHeight,
                       std::string_view spec);
  void SetSpriteFrame(int32_t n, int32_t column, int32_t row);
  void PutSprite(int32_t n, int32_t x, int32_t y);
  void HideSprite(int32_t n);
  void ClearSprites();
  void SetSpriteAnimation(int32_t n, int32_t count);
  void PlayNumberedPictures(std::string_view file, int32_t first, int32_t last, int32_t interval,
                            int32_t overlay);

  // --- menu -----------------------------------------------------------------
  void ToggleDarkness();

  // The reset used at start, on load and on return to the title.
  void ResetLayers();
  // After a load: the background, objects, effect and sprite sheet that the
  // restored records name, with their masks. A picture that cannot be read
  // is shown and reported, and the others still load.
  void RestorePictures();

  // Darkens every pixel of `picture` to (channel × (256 − rate)) >> 8.
  static void Darken(Picture& picture, int32_t rate);

  // --- state ----------------------------------------------------------------
  LayerState state;
  LayerSettings settings;
  bool backgroundPresent = false;
  bool LayersDirty = false;

  Picture BackgroundLayer{8, 8};
  Picture EffectLayer{8, 8};
  Picture EffectMask{8, 8};
  // The screen a cross-fade mixes: made by the first cross-fade (or the
  // debug window's first look) and kept until the next reset, so that a
  // story that never fades spares its 1.2 MB. Empty reads as black.
  Picture TransitionBuffer;
  Picture ScratchPicture{kScreenWidth, kScreenHeight};
  std::array<Picture, kObjectCount> objectPictures{Picture{8, 8}, Picture{8, 8}, Picture{8, 8}};
  std::array<Picture, kObjectCount> objectMasks{Picture{8, 8}, Picture{8, 8}, Picture{8, 8}};
  Picture SpriteSheet{8, 8};
  Picture SpriteMask{8, 8};

  LayerEnvironment env;

 private:
  struct Hidden {
    uint32_t objects = 0;  // bit n: leave object n out
    bool effect = false;
  };
  void Compose(const Hidden& hidden, bool darkness, RowPasses& passes);
  void BlendEffectLayer(RowPasses& passes);
  void DrawObject(int slot, RowPasses& passes);
  void RestoreSpriteRect(const Sprite& sprite);
  void Load(std::string_view file, Picture& picture);
  // Builds a picture's mask from a transparency value; the mask spec kept.
  void BuildMask(Picture& picture, Picture& mask, int32_t colorKey, std::string_view spec,
                 int sizeMode, std::string& maskSpec);
  // The first stage of a two-stage refresh leaves the message window and the
  // darkness out.
  bool holdMessage_ = false;
  bool holdDarkness_ = false;
};

}  // namespace korvana
