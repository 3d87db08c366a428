// ParseTransparencySpec.
#include <gtest/gtest.h>

#include "PictureFixtures.h"
#include "core/Cp932.h"
#include "graphics/Picture.h"
#include "graphics/PictureLoader.h"

namespace korvana {
namespace {

TEST(TransparencySpec, KeywordsColoursAndMaskFiles) {
  Picture p(3, 2, 0);
  p.SetPixel(0, 0, 0xFF0000);  // pure red
  p.SetPixel(0, 1, 0x123456);
  p.SetPixel(2, 0, 0x00FF00);
  p.SetPixel(2, 1, 0x0000AB);
  test::RecordingSink sink;
  struct Case {
    const char* spec;
    int32_t want;
  } cases[] = {
      {"#NONE", kNoTransparency},
      {"#TOP_LEFT", 0x000000FF},
      {"#BOTTOM_LEFT", 0x00563412},
      {"#TOP_RIGHT", 0x0000FF00},
      {"#BOTTOM_RIGHT", 0x00AB0000},
      {"#FF0000", 0x000000FF},
      {"#00FF00", 0x0000FF00},
      {"#0000ff", 0x00FF0000},
      {"#12", 0x00120000},        // 0x000012: blue 0x12
      {"#123", 0x00230100},       // 0x000123
      {"#ABCDEF99", 0x00EFCDAB},  // characters 2..7 only
      {"#000000", 0},
      {"#FFFFFF", 0x00FFFFFF},
      {"mask.bmp", kMaskFromFile},
      {"", kMaskFromFile},
      {"NONE", kMaskFromFile},
      {" #NONE", kMaskFromFile},
      {"#NONE ", kMaskFromFile + 0},  // replaced below: an error
  };
  for (const Case& c : cases) {
    if (std::string(c.spec) == "#NONE ") continue;
    EXPECT_EQ(ParseTransparencySpec(c.spec, p, sink), c.want) << c.spec;
  }
  EXPECT_TRUE(sink.errors.empty());
}

TEST(TransparencySpec, InvalidHexadecimalReportsAndGivesWhite) {
  Picture p(1, 1, 0);
  for (const char* spec :
       {"#ZZZZZZ", "#none", "#top_left", "#", "#12 456", "#-1", "#NONE ", "#0x12", "#12G"}) {
    test::RecordingSink sink;
    EXPECT_EQ(ParseTransparencySpec(spec, p, sink), 0x00FFFFFF) << spec;
    ASSERT_EQ(sink.errors.size(), 1u) << spec;
    EXPECT_EQ(sink.errors[0], J("色指定が異常です。:") + spec);
  }
  // Only characters 2 to 7 are read: a bad eighth character does not matter.
  test::RecordingSink sink;
  EXPECT_EQ(ParseTransparencySpec("#123456Z", p, sink), 0x00563412);
  EXPECT_TRUE(sink.errors.empty());
}

TEST(TransparencySpec, SpecialValuesNeverCollideWithColourKeys) {
  EXPECT_NE(kNoTransparency & ~0xFFFFFF, 0);
  EXPECT_NE(kMaskFromFile & ~0xFFFFFF, 0);
}

}  // namespace
}  // namespace korvana
