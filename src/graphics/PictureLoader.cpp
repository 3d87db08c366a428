#include "graphics/PictureLoader.h"

#include <utility>
#include <vector>

#include "core/Ascii.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "graphics/Frl.h"
#include "graphics/ImageDecoders.h"
#include "graphics/Mag.h"
#include "graphics/Picture.h"

namespace korvana {
namespace {

std::span<const uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

}  // namespace

std::string PictureExtension(std::string_view name) {
  // A dot (0x2E) is never the trail byte of a CP932 character, so the last
  // one starts the extension; from there the characters are walked so that
  // trail bytes in 'A'..'Z' are left alone.
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string ext(name.substr(dot));
  for (size_t i = 0; i < ext.size();) {
    const size_t n = cp932::CharLength(ext, i);
    if (n == 1 && ext[i] >= 'A' && ext[i] <= 'Z') ext[i] = static_cast<char>(ext[i] + 32);
    i += n;
  }
  return ext;
}

PictureFormat FormatForName(std::string_view name) {
  const std::string ext = PictureExtension(name);
  if (ext == ".bmp") return PictureFormat::Bmp;
  if (ext == ".jpg") return PictureFormat::Jpeg;
  if (ext == ".mag" || ext == ".him") return PictureFormat::Mag;
  if (ext == ".frl") return PictureFormat::Frl;
  if (ext == ".png") return PictureFormat::Png;
  return PictureFormat::None;
}

const char* FormatName(PictureFormat format) {
  switch (format) {
    case PictureFormat::Bmp:
      return "BMP";
    case PictureFormat::Jpeg:
      return "JPEG";
    case PictureFormat::Png:
      return "PNG";
    case PictureFormat::Mag:
      return "MAG";
    case PictureFormat::Frl:
      return "FRL";
    case PictureFormat::None:
      break;
  }
  return "none";
}

bool DecodePicture(PictureFormat format, std::span<const uint8_t> bytes, Picture& picture,
                   std::string& error) {
  switch (format) {
    case PictureFormat::Bmp:
      return DecodeBmp(bytes, picture, error);
    case PictureFormat::Jpeg:
      return DecodeJpeg(bytes, picture, error);
    case PictureFormat::Png:
      return DecodePng(bytes, picture, error);
    case PictureFormat::Mag: {
      bool probed = false;
      if (!DecodeMag(bytes, picture, &probed)) {
        const int check = MagCheckHeader(bytes);
        error = probed && check == kMagGood
                    ? "MAG: the data is invalid (Failed by MMAG_MagtoBmp)"
                    : "MAG: header check failed with code " + std::to_string(check);
        return false;
      }
      return true;
    }
    case PictureFormat::Frl: {
      Picture out;
      if (!DecodeFrl(bytes, out)) {
        FrlHeader hd;
        error = ReadFrlHeader(bytes, hd) ? "FRL: bad size " + std::to_string(hd.width) + " x " +
                                               std::to_string(hd.height)
                                         : std::string("FRL: not an FRL file");
        return false;
      }
      picture = std::move(out);
      return true;
    }
    case PictureFormat::None:
      break;
  }
  error = "no decoder for this extension";
  return false;
}

void LoadPicture(std::string_view fileName, Picture& picture, const GameFiles& files,
                 ErrorSink& errors, const WarningBox& warning) {
  // The first "%DATA_DRIVE%" only; the result names the file in
  // every message. Resolve (not ResolveScript) so that a second token is
  // not expanded too.
  const std::string name = files.Expand(fileName);
  const PictureFormat format = FormatForName(name);
  if (format == PictureFormat::None) return;
  const std::string path = files.Resolve(name);

  switch (format) {
    case PictureFormat::Bmp:
    case PictureFormat::Jpeg:
    case PictureFormat::Png: {
      const std::optional<std::string> bytes = ReadWholeFile(path);
      if (!bytes) throw ScriptException(J("画像ファイルが開けません:") + name);
      std::string error;
      Picture out;
      if (!DecodePicture(format, AsBytes(*bytes), out, error))
        throw ScriptException(J("画像ファイルが読めません:") + name + " (" + error + ")");
      picture = std::move(out);
      return;
    }
    case PictureFormat::Mag: {
      if (const std::optional<std::string> bytes = ReadWholeFile(path)) {
        bool probed = false;
        if (DecodeMag(AsBytes(*bytes), picture, &probed)) return;
        if (probed && warning) warning("Failed by MMAG_MagtoBmp");
      }
      errors.ScriptError(J("ＭＡＧ画像が読めません:") + name);
      picture.Resize(8, 8);
      return;
    }
    case PictureFormat::Frl: {
      if (const std::optional<std::string> bytes = ReadWholeFile(path)) {
        Picture out;
        if (DecodeFrl(AsBytes(*bytes), out)) {
          picture = std::move(out);
          return;
        }
      }
      errors.ScriptError(J("画像が読めません:") + name);
      picture.Resize(8, 8);
      return;
    }
    case PictureFormat::None:
      return;
  }
}

int32_t ParseTransparencySpec(std::string_view spec, const Picture& picture, ErrorSink& errors) {
  if (spec == "#NONE") return kNoTransparency;
  auto corner = [&](int x, int y) -> int32_t {
    if (picture.Empty()) return 0;
    return static_cast<int32_t>(SwapRedBlue(picture.Pixel(x, y)));
  };
  const int right = picture.Width() - 1, bottom = picture.Height() - 1;
  if (spec == "#TOP_LEFT") return corner(0, 0);
  if (spec == "#BOTTOM_LEFT") return corner(0, bottom);
  if (spec == "#TOP_RIGHT") return corner(right, 0);
  if (spec == "#BOTTOM_RIGHT") return corner(right, bottom);
  if (!spec.empty() && spec[0] == '#') {
    const std::string_view digits = spec.substr(1, 6);
    bool valid = !digits.empty();
    uint32_t value = 0;
    for (char c : digits) {
      if (HexDigit(c) < 0) {
        valid = false;
        break;
      }
      value = value * 16 + static_cast<uint32_t>(HexDigit(c));
    }
    if (!valid) {
      errors.ScriptError(J("色指定が異常です。:") + std::string(spec));
      return 0x00FFFFFF;
    }
    return static_cast<int32_t>(SwapRedBlue(value));
  }
  return kMaskFromFile;
}

}  // namespace korvana
