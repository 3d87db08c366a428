// LoadPicture on arbitrary bytes: the first byte chooses the file name's
// extension, the rest is written to a file that LoadPicture then loads
// through the resolver (mixed-case name, "%DATA_DRIVE%"). Checks the error
// paths: BMP/JPEG/PNG failures throw ScriptException and
// leave the picture untouched; MAG/FRL failures report once and leave 8 × 8;
// successes give pixels with the top byte 0; nothing reads or writes outside
// a buffer (ASan) and memory stays bounded (libFuzzer's -rss_limit_mb).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFolder.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "graphics/Picture.h"
#include "graphics/PictureLoader.h"

using namespace korvana;

namespace {

struct CountingSink : ErrorSink {
  int errors = 0;
  void ScriptError(const std::string&) override { ++errors; }
  void ReportScriptError(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kExt[] = {".bmp", ".jpg", ".png", ".mag",
                                     ".him", ".frl", ".JPG", ".jpeg"};
  const char* ext = kExt[data[0] % 8];
  const std::string file = fuzz::FuzzFolder() + "/pic" + ext;
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);

  const PictureFormat format = FormatForName(std::string("x") + ext);
  CountingSink sink;
  int warnings = 0;
  Picture picture(5, 4, 0xABCDEF);
  try {
    LoadPicture(std::string("%DATA_DRIVE%/PIC") + ext, picture, GameFiles({}, fuzz::FuzzFolder()),
                sink, [&](const std::string&) { ++warnings; });
  } catch (const ScriptException&) {
    if (format != PictureFormat::Bmp && format != PictureFormat::Jpeg &&
        format != PictureFormat::Png)
      std::abort();
    if (picture.Width() != 5 || picture.Height() != 4 || picture.Pixel(4, 3) != 0xABCDEF)
      std::abort();
    return 0;
  }
  if (format == PictureFormat::None && (picture.Width() != 5 || sink.errors)) std::abort();
  if (sink.errors > 1 || warnings > 1 || (warnings && format != PictureFormat::Mag)) std::abort();
  if (sink.errors && (picture.Width() != 8 || picture.Height() != 8)) std::abort();
  if (picture.Width() > kMaxPictureSide || picture.Height() > kMaxPictureSide) std::abort();
  for (uint32_t v : picture.Pixels())
    if (v >> 24) std::abort();
  return 0;
}
