#pragma once
// One program runs every Qt Test class of the desktop shell: each test file
// registers its class here, and GuiMain.cpp runs them in turn.
#include <QImage>
#include <QObject>
#include <functional>
#include <memory>

#include "platform/Input.h"

namespace korvana::test {

using GuiTestFactory = std::function<std::unique_ptr<QObject>()>;
bool RegisterGuiTest(GuiTestFactory factory);

// How long a QTRY_… check waits for the story to get there: the sanitizer
// build on a busy machine can take longer than Qt's 5 s, and a check that
// holds ends the wait at once.
constexpr int kSettleMs = 30000;

// A test that closed the main window told the application to quit, and
// until the main loop runs again every modal loop would end at once. Run
// before each class, and before each test of a class that closes windows.
void ClearQuit();

// How many pixels of a grabbed widget are exactly this colour (0xRRGGBB).
inline int CountPixels(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == colour;
  return n;
}

}  // namespace korvana::test

#define KORVANA_GUI_TEST(Class)         \
  static const bool Class##Registered = \
      korvana::test::RegisterGuiTest([] { return std::unique_ptr<QObject>(new Class); })
