#pragma once
// `TTkBtn`: a panel whose face is a picture stretched over it, with the
// panel's bevels and frame drawn over the picture, the caption centred on
// top, and a lowered bevel while the left button is held on it. The engine
// paints it into the screen picture and tests hits itself, so every platform
// (the headless one included) sees and clicks the same button.
#include <cstdint>
#include <string>

#include "graphics/Picture.h"
#include "platform/Input.h"
#include "text/Glyphs.h"

namespace korvana {

class ImageButton {
 public:
  enum class Bevel { None, Raised, Lowered };
  enum class Alignment { Left, Right, Center };
  // The platform's button highlight and shadow colours and the panel face.
  static constexpr uint32_t kHighlight = 0xFFFFFF;
  static constexpr uint32_t kShadow = 0x808080;
  static constexpr uint32_t kFace = 0xC0C0C0;

  int Left = 0, Top = 0, Width = 75, Height = 25;
  std::string Caption;  // CP932
  Bevel BevelOuter = Bevel::Raised;
  Bevel BevelInner = Bevel::None;
  int BevelWidth = 1;
  int BorderWidth = 0;
  uint32_t Color = kFace;  // 0x00RRGGBB
  uint32_t FontColor = 0;  // 0x00RRGGBB
  FontSpec Font{"", 16, false};
  Alignment CaptionAlignment = Alignment::Center;
  bool Visible = false;

  // `PictureImg` takes a copy; an empty picture means a plain panel.
  void Set_Picture(const Picture& picture) { PictureImg = picture; }
  const Picture& PictureImage() const { return PictureImg; }

  void Paint(Picture& target, FontLibrary& fonts) const;
  bool Contains(int x, int y) const {
    return x >= Left && y >= Top && x < Left + Width && y < Top + Height;
  }
  // Only the left button changes the look.
  void MouseDown(MouseButton button) {
    if (button == MouseButton::Left) BevelOuter = Bevel::Lowered;
  }
  void MouseUp(MouseButton button) {
    if (button == MouseButton::Left) BevelOuter = Bevel::Raised;
  }

 private:
  Picture PictureImg;
};

}  // namespace korvana
