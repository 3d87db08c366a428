// The MAG converter (MagToBmp) on arbitrary bytes, then the BMP reader on what it
// writes. Checks: no read or write outside a buffer (ASan), the probe and the
// header check agree, a successful conversion is a BMP of exactly the probed
// size that the BMP reader accepts, with pixels whose top byte is 0, and
// DecodeMag gives the same picture and fails exactly where the conversion does.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "graphics/ImageDecoders.h"
#include "graphics/Mag.h"
#include "graphics/Picture.h"

using namespace korvana;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> file(data, size);
  korvana::MagInfo info;
  const int check = MagCheckHeader(file, &info);
  const size_t probe = MagToBmp::ProbeSize(file);
  if (check == kMagGood && probe != info.BmpSize()) std::abort();
  std::vector<uint8_t> bmp;
  bool probed = false;
  Picture direct;
  bool directProbed = false;
  const bool decoded = DecodeMag(file, direct, &directProbed);
  const bool converted = MagToBmp::ConvertToBmp(file, bmp, &probed);
  if (decoded != converted || directProbed != probed) std::abort();
  if (!converted) return 0;
  if (!probed || check != kMagGood || bmp.size() != probe) std::abort();
  Picture picture;
  std::string error;
  if (!DecodeBmp(bmp, picture, error)) std::abort();
  if (picture.Width() != static_cast<int>(info.width) || picture.Height() != static_cast<int>(info.height))
    std::abort();
  for (uint32_t v : picture.Pixels())
    if (v >> 24) std::abort();
  if (direct.Pixels() != picture.Pixels()) std::abort();
  return 0;
}
