// The FRL decoder on arbitrary bytes. Checks: no read or write outside a
// buffer (ASan), the picture has the header's size when decoding succeeds,
// the picture is untouched when it fails, and pixels keep the top byte 0.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "graphics/Frl.h"
#include "graphics/Picture.h"

using namespace korvana;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> file(data, size);
  Picture picture(3, 3, 0x123456);
  FrlHeader hd;
  const bool header = ReadFrlHeader(file, hd);
  if (!DecodeFrl(file, picture)) {
    if (picture.Width() != 3 || picture.Pixel(2, 2) != 0x123456) std::abort();
    return 0;
  }
  if (!header || picture.Width() != hd.width || picture.Height() != hd.height) std::abort();
  for (uint32_t v : picture.Pixels())
    if (v >> 24) std::abort();
  return 0;
}
