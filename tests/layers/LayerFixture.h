#pragma once
// A stage for the layer tests: the layers over a headless platform with a
// virtual clock, pictures written as PNG files into a temporary folder, and
// helpers that compute expected screens pixel by pixel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "backends/headless/HeadlessPlatform.h"
#include "TestEvaluator.h"
#include "core/ClickState.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "core/StoryCursor.h"
#include "core/SystemSwitches.h"
#include "core/Waits.h"
#include "graphics/Layers.h"
#include "graphics/Picture.h"

namespace korvana::test {

class RecordingErrors : public ErrorSink {
 public:
  void ScriptError(const std::string& message) override { errors.push_back(message); }
  void ReportScriptError(const std::string& message) override { reports.push_back(message); }
  std::vector<std::string> errors, reports;
};

// Counts the screen updates (one per transition or effect step) and can keep
// a copy of the screen at each one or at the start of each click wait.
class CountingPlatform : public HeadlessPlatform {
 public:
  void InvalidateScreen() override {
    ++invalidations;
    if (keepFrames && watched) frames.push_back(*watched);
  }
  void ClickWaitStarted() override {
    if (watched) clickWaitScreens.push_back(*watched);
    HeadlessPlatform::ClickWaitStarted();
  }
  const Picture* watched = nullptr;
  bool keepFrames = false;
  int invalidations = 0;
  std::vector<Picture> frames;
  std::vector<Picture> clickWaitScreens;
};

// A picture whose every pixel is f(x, y).
inline Picture Painted(int w, int h, const std::function<uint32_t(int, int)>& f) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.SetPixel(x, y, f(x, y) & 0xFFFFFF);
  return p;
}

// Distinct, position-dependent colours.
inline uint32_t Scene1(int x, int y) {
  return static_cast<uint32_t>((x * 7 + y * 3) & 0xFF) << 16 | (y & 0xFF) << 8 | (x & 0xFF);
}
inline uint32_t Scene2(int x, int y) {
  return static_cast<uint32_t>(0x80 | (y & 0x7F)) << 16 | ((x * 5) & 0xFF) << 8 | 0x33;
}

// Input reaches the click flags as the engine's handlers set them.
class ClickSink : public InputSink {
 public:
  explicit ClickSink(ClickState& click) : click_(click) {}
  void OnMouseDown(int, int, MouseButton) override { click_.MouseDownFlag = true; }
  void OnMouseUp(int, int, MouseButton) override { click_.MouseUpFlag = true; }
  void OnClick(int, int) override {
    if (click_.ClickEnabled) click_.ClickFlag = true;
  }
  void OnMouseMove(int, int) override {}
  void OnKey(Key) override {}
  void OnTimer1() override {}

 private:
  ClickState& click_;
};

// The message window as a test sets it: its pictures and visibility.
struct TestMessage : MessageWindow {
  Picture image{640, 480, 0}, mask{640, 480, 0xFFFFFF};
  bool visible = false;
  bool MessageVisible() const override { return visible; }
  bool OverlayMessage(Picture& target) const override {
    if (!visible) return false;
    target.Draw(0, 0, mask, RasterOp::And);
    target.Draw(0, 0, image, RasterOp::Or);
    return true;
  }
};

struct Stage {
  Stage() {
    platform.watched = &back;
    platform.SetScreen(&back);
    platform.SetInputSink(&sink);
    layers.settings.DarknessEnabled = false;
  }
  ~Stage() { platform.SetInputSink(nullptr); }
  // Writes `picture` as a PNG and returns its full path.
  std::string Save(const std::string& name, const Picture& picture) {
    const std::string path = (dir.path() / name).string();
    EXPECT_TRUE(WritePng(picture, path));
    return path;
  }
  // What `_bgload` of a file holding `picture` leaves, without the file:
  // tests that only need a scene keep it in memory.
  void SetBackground(const Picture& picture) {
    layers.BackgroundLayer = picture;
    layers.state.baseRecords[kBackgroundRecord].ResetForLoad("memory");
    layers.backgroundPresent = true;
    layers.LayersDirty = true;
  }
  // A message window: a white text block with a black border in its mask,
  // the image black outside the text, so laying it over twice changes
  // nothing.
  void WriteMessage() {
    for (int y = 380; y < 470; ++y)
      for (int x = 20; x < 620; ++x) {
        const bool ink = (x / 3 + y / 5) % 4 == 0;
        messageMask.SetPixel(x, y, ink ? 0 : (x < 30 || y < 390 ? 0 : 0x3F3F3F));
        messageImage.SetPixel(x, y, ink ? 0xFFFFF0 : (x < 30 || y < 390 ? 0x102030 : 0));
      }
  }
  // (scene AND mask) OR image.
  Picture WithMessage(const Picture& scene) const {
    Picture out = scene;
    out.Draw(0, 0, messageMask, RasterOp::And);
    out.Draw(0, 0, messageImage, RasterOp::Or);
    return out;
  }
  uint64_t Elapsed() const { return platform.ElapsedMs(); }

  TempDir dir;
  CountingPlatform platform;
  RecordingErrors errors;
  ClickState click;
  ClickSink sink{click};
  Waits waits{platform, platform, click};
  GameFiles files;
  Screen screen;
  Picture& back = screen.BackImage;
  Picture& work = screen.WorkScreen;
  TestMessage message;
  Picture& messageImage = message.image;
  Picture& messageMask = message.mask;
  bool& textVisible = message.visible;
  StoryCursor cursor{platform};
  SystemSwitches switches;
  TestEvaluator expressions{errors};
  Layers layers{LayerEnvironment{platform, platform, platform, errors, waits, click, files, screen,
                                 message, switches, expressions.eval}};
};

// The first pixel where two pictures differ, as text; empty when equal.
inline std::string FirstDifference(const Picture& actual, const Picture& expected) {
  if (actual.Width() != expected.Width() || actual.Height() != expected.Height())
    return "size " + std::to_string(actual.Width()) + "x" + std::to_string(actual.Height());
  // Equal storage is the common case, checked at once; the walk names the
  // first pixel that differs.
  if (actual.Pixels() == expected.Pixels()) return {};
  for (int y = 0; y < actual.Height(); ++y)
    for (int x = 0; x < actual.Width(); ++x)
      if (actual.Pixel(x, y) != expected.Pixel(x, y)) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "(%d, %d): %06X, expected %06X", x, y, actual.Pixel(x, y),
                      expected.Pixel(x, y));
        return buf;
      }
  return {};
}

}  // namespace korvana::test
