// DecodeMag: the picture LoadPicture shows for a MAG file is the one the BMP
// reader makes of the converter's bitmap, and it fails where the conversion
// fails.
#include <gtest/gtest.h>

#include <random>

#include "PictureFixtures.h"
#include "graphics/ImageDecoders.h"
#include "graphics/Mag.h"
#include "graphics/Picture.h"

namespace korvana {
namespace {

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(MagPicture, IsTheBitmapRoutesPictureAndFailsWhereItFails) {
  struct Case {
    const char* what;
    bool colors256;
    int width, height;
    int damage;  // 0: none; 1: cut short; 2: bytes changed
  };
  const Case cases[] = {
      {"256 colours, one flag byte a row", true, 4, 40, 0},
      {"256 colours, rows below the 16th", true, 96, 70, 0},
      {"16 colours, narrow", false, 8, 33, 0},
      {"16 colours, rows below the 16th", false, 128, 60, 0},
      {"256 colours cut short", true, 64, 40, 1},
      {"16 colours cut short", false, 64, 40, 1},
      {"256 colours with changed bytes", true, 64, 40, 2},
      {"16 colours with changed bytes", false, 64, 40, 2},
  };
  std::mt19937 rng(25);
  for (const Case& c : cases) {
    for (int round = 0; round < 40; ++round) {
      SCOPED_TRACE(testing::Message() << c.what << ", round " << round);
      test::MagOptions opt;
      opt.salt = round % 5;
      std::string file =
          test::EncodeMag(test::MakeMagImage(c.colors256, c.width, c.height, 700 + round), opt)
              .bytes;
      if (c.damage == 1) file.resize(rng() % file.size());
      if (c.damage == 2)
        for (int k = 0; k < 1 + round % 4; ++k)
          file[file.size() / 3 + rng() % (2 * file.size() / 3)] = static_cast<char>(rng());

      std::vector<uint8_t> bmp;
      bool bmpProbed = false;
      const bool converted = MagToBmp::ConvertToBmp(Bytes(file), bmp, &bmpProbed);
      Picture expected(3, 2, 0x123456);
      std::string error;
      if (converted) {
        ASSERT_TRUE(DecodeBmp(bmp, expected, error)) << error;
      }

      Picture actual(3, 2, 0x123456);
      bool probed = !bmpProbed;
      EXPECT_EQ(DecodeMag(Bytes(file), actual, &probed), converted);
      EXPECT_EQ(probed, bmpProbed);
      // A failure leaves the picture as it was.
      EXPECT_EQ(actual.Width(), expected.Width());
      EXPECT_EQ(actual.Height(), expected.Height());
      EXPECT_EQ(actual.Pixels(), expected.Pixels());
    }
  }
}

}  // namespace
}  // namespace korvana
