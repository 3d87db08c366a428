// korvana-picture: decodes any picture the engine reads (BMP, JPEG, PNG, MAG
// and the engine's own variant, FRL) with the engine's own decoders.
//
//   korvana-picture convert IN OUT.png   writes the decoded picture as PNG
//   korvana-picture info FILE...         format, size and colours
//   korvana-picture compare APPROVED ACTUAL [--pixel-tolerance T] [--share P]
//                   [--diff OUT.png]     whether two pictures match
//
// The decoder is chosen exactly as the engine's LoadPicture chooses it: by the
// lower-cased extension. A file the engine would not load (".jpeg", an unknown
// extension) is still decoded by its content, with a warning saying so.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "core/FileResolver.h"
#include "graphics/Frl.h"
#include "graphics/ImageDecoders.h"
#include "graphics/Mag.h"
#include "graphics/Picture.h"
#include "graphics/PictureCompare.h"
#include "graphics/PictureLoader.h"

namespace {

using namespace korvana;

const char kUsage[] =
    "usage: korvana-picture convert IN OUT.png\n"
    "       korvana-picture info FILE...\n"
    "       korvana-picture compare APPROVED ACTUAL [--pixel-tolerance T] [--share P]\n"
    "                       [--diff OUT.png]\n"
    "       korvana-picture --version | --help\n"
    "Decodes BMP, JPEG (.jpg), PNG, MAG/HIM (MAKI02 and KRVIF1) and FRL pictures\n"
    "exactly as the Korvana engine does.\n"
    "compare: a pixel differs when one of its channels differs by more than T\n"
    "(0-255, default 0); the pictures match when at most P percent of the pixels\n"
    "differ (default 0). When they do not, --diff writes the changed pixels in red\n"
    "over a faded copy of APPROVED. Exit status 0 match, 1 differ (or differ in\n"
    "size), 2 when a picture cannot be read or for a usage error.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// Only regular files, and no more than any decodable picture can take: a
// pipe would block for ever and a device could be endless.
bool ReadFile(const std::string& path, std::string& out) {
  constexpr std::uintmax_t kMaxBytes = 512u << 20;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) || ec) return false;
  if (std::filesystem::file_size(path, ec) > kMaxBytes || ec) return false;
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return false;
  out = std::move(*bytes);
  return true;
}

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// The format the bytes look like, whatever the name says.
PictureFormat Sniff(const std::string& s) {
  if (s.size() >= 2 && s[0] == 'B' && s[1] == 'M') return PictureFormat::Bmp;
  if (s.size() >= 3 && static_cast<uint8_t>(s[0]) == 0xFF && static_cast<uint8_t>(s[1]) == 0xD8)
    return PictureFormat::Jpeg;
  if (s.size() >= 8 && s.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) return PictureFormat::Png;
  if (s.size() >= 8 && (s.compare(0, 8, "MAKI02  ") == 0 || s.compare(0, 8, "KRVIF1  ") == 0))
    return PictureFormat::Mag;
  if (s.size() >= 3 && s.compare(0, 3, "FRL") == 0) return PictureFormat::Frl;
  return PictureFormat::None;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Chooses the decoder; false (with a message) when there is none.
bool ChooseFormat(const std::string& path, const std::string& bytes, PictureFormat& format) {
  format = FormatForName(BaseName(path));
  const PictureFormat content = Sniff(bytes);
  if (format == PictureFormat::None) {
    const std::string ext = PictureExtension(BaseName(path));
    if (content == PictureFormat::None) {
      std::fprintf(stderr, "%s: not a picture the engine reads (extension \"%s\")\n", path.c_str(),
                   ext.c_str());
      return false;
    }
    std::fprintf(stderr,
                 "%s: warning: the engine loads nothing for the extension \"%s\" (the target keeps "
                 "its old picture); decoding it as %s by its content\n",
                 path.c_str(), ext.c_str(), FormatName(content));
    format = content;
  } else if (content != PictureFormat::None && content != format) {
    std::fprintf(stderr, "%s: warning: the name says %s but the content looks like %s\n",
                 path.c_str(), FormatName(format), FormatName(content));
  }
  return true;
}

bool Decode(const std::string& path, std::string& bytes, PictureFormat& format, Picture& picture) {
  if (!ReadFile(path, bytes)) {
    std::fprintf(stderr, "%s: cannot read the file\n", path.c_str());
    return false;
  }
  if (!ChooseFormat(path, bytes, format)) return false;
  std::string error;
  if (!DecodePicture(format, Bytes(bytes), picture, error)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  return true;
}

// What the file's header says about its colours.
std::string HeaderDescription(PictureFormat format, const std::string& s) {
  char buf[256];
  switch (format) {
    case PictureFormat::Bmp: {
      int64_t w = 0, h = 0;
      int bits = 0;
      if (!ReadBmpSize(Bytes(s), w, h, bits)) return "BMP";
      uint32_t compression = s.size() >= 34 && bits && s[14] != 12
                                 ? uint32_t{uint8_t(s[30])} | (uint32_t{uint8_t(s[31])} << 8)
                                 : 0;
      const char* comp[] = {
          "", ", RLE8", ", RLE4", ", bit fields", ", JPEG", ", PNG", ", alpha bit fields"};
      std::snprintf(buf, sizeof buf, "BMP, %d bits per pixel%s%s", bits,
                    compression < 7 ? comp[compression] : ", unknown compression",
                    h < 0 ? ", rows top-down" : "");
      return buf;
    }
    case PictureFormat::Png: {
      if (s.size() < 29) return "PNG";
      const int depth = uint8_t(s[24]), type = uint8_t(s[25]), interlace = uint8_t(s[28]);
      const char* types[] = {"grey", "?", "RGB", "palette", "grey + alpha", "?", "RGB + alpha"};
      std::snprintf(buf, sizeof buf, "PNG, %s, %d bits per sample%s%s",
                    type < 7 ? types[type] : "?", depth, interlace ? ", interlaced" : "",
                    s.find("tRNS") != std::string::npos ? ", tRNS transparency" : "");
      return buf;
    }
    case PictureFormat::Jpeg: {
      // Walk the markers to the frame header.
      size_t at = 2;
      while (at + 9 < s.size() && uint8_t(s[at]) == 0xFF) {
        const int marker = uint8_t(s[at + 1]);
        const size_t len = (size_t{uint8_t(s[at + 2])} << 8) | uint8_t(s[at + 3]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
          const int comps = uint8_t(s[at + 9]);
          std::snprintf(buf, sizeof buf, "JPEG, %s, %d component%s (%s)",
                        marker == 0xC2   ? "progressive"
                        : marker == 0xC0 ? "baseline"
                                         : "other coding",
                        comps, comps == 1 ? "" : "s",
                        comps == 1   ? "grey"
                        : comps == 4 ? "CMYK"
                                     : "colour");
          return buf;
        }
        at += 2 + len;
      }
      return "JPEG";
    }
    case PictureFormat::Mag: {
      MagInfo info;
      const int check = MagCheckHeader(Bytes(s), &info);
      if (check == kMagNoHeader || check == kMagBadSignature) return "MAG (unreadable header)";
      std::snprintf(buf, sizeof buf,
                    "MAG (signature \"%s\"), %d-colour palette; stored x %u..%u, y %u..%u; "
                    "aligned x %u..%u",
                    info.ownVariant ? "KRVIF1  " : "MAKI02  ", info.Colors(), info.x0, info.x1,
                    info.y0, info.y1, info.alignedX0, info.alignedX1);
      return buf;
    }
    case PictureFormat::Frl: {
      FrlHeader hd;
      if (!ReadFrlHeader(Bytes(s), hd)) return "FRL";
      const char* what = hd.coding == 24   ? "24-bit colour runs"
                         : hd.coding == 18 ? "18-bit planar runs"
                         : hd.coding == 12 ? "12-bit colour runs"
                         : hd.coding == 10 ? "10-bit colour runs"
                                           : "unknown coding (decodes black)";
      std::snprintf(buf, sizeof buf, "FRL, coding %d: %s, %u bytes of data", hd.coding, what,
                    hd.length);
      return buf;
    }
    case PictureFormat::None:
      break;
  }
  return "unknown";
}

int Convert(const std::string& in, const std::string& out) {
  std::string bytes;
  PictureFormat format;
  Picture picture;
  if (!Decode(in, bytes, format, picture)) return 1;
  if (!WritePng(picture, out)) {
    std::fprintf(stderr, "%s: cannot write the PNG file\n", out.c_str());
    return 1;
  }
  std::printf("%s: %s %d x %d -> %s\n", in.c_str(), FormatName(format), picture.Width(),
              picture.Height(), out.c_str());
  return 0;
}

int Info(const std::string& path) {
  std::string bytes;
  PictureFormat format;
  Picture picture;
  if (!Decode(path, bytes, format, picture)) return 1;
  std::set<uint32_t> colours(picture.Pixels().begin(), picture.Pixels().end());
  std::printf("%s\n  format:  %s\n  size:    %d x %d\n  colours: %zu distinct\n", path.c_str(),
              HeaderDescription(format, bytes).c_str(), picture.Width(), picture.Height(),
              colours.size());
  return 0;
}

// A whole number from `low` to `high`, or a decimal fraction when `fraction`.
bool ParseBound(const std::string& text, double low, double high, bool fraction, double& out) {
  if (text.empty() || text.size() > 32) return false;
  bool dot = false, digit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9')
      digit = true;
    else if (c == '.' && fraction && !dot)
      dot = true;
    else
      return false;
  }
  if (!digit) return false;
  out = std::strtod(text.c_str(), nullptr);
  return out >= low && out <= high;
}

int Compare(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  PictureTolerance tolerance;
  std::string diff;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--pixel-tolerance" || a == "--share" || a == "--diff") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "compare: %s needs a value\n", a.c_str());
        return 2;
      }
      const std::string& v = args[++i];
      double n = 0;
      if (a == "--diff") {
        diff = v;
      } else if (a == "--share") {
        if (!ParseBound(v, 0, 100, true, n)) {
          std::fprintf(stderr, "compare: --share takes a percentage from 0 to 100, not \"%s\"\n",
                       v.c_str());
          return 2;
        }
        tolerance.share = n;
      } else {
        if (!ParseBound(v, 0, 255, false, n)) {
          std::fprintf(stderr,
                       "compare: --pixel-tolerance takes a whole number from 0 to 255, not "
                       "\"%s\"\n",
                       v.c_str());
          return 2;
        }
        tolerance.pixel = static_cast<int>(n);
      }
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      std::fprintf(stderr, "compare: unknown option %s\n", a.c_str());
      return 2;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return Usage();
  Picture pictures[2];
  for (int i = 0; i < 2; ++i) {
    std::string bytes;
    PictureFormat format;
    if (!Decode(files[i], bytes, format, pictures[i])) return 2;
  }
  const Picture& approved = pictures[0];
  const Picture& actual = pictures[1];
  const PictureComparison result = ComparePictures(approved, actual, tolerance);
  if (!result.sameSize) {
    std::printf("differ: %s is %d x %d, %s is %d x %d\n", files[0].c_str(), approved.Width(),
                approved.Height(), files[1].c_str(), actual.Width(), actual.Height());
    return 1;
  }
  std::printf("%s: %lld of %lld pixels differ by more than %d (%.3f %%, allowed %g %%)\n",
              result.matches ? "match" : "differ", static_cast<long long>(result.changed),
              static_cast<long long>(result.total), tolerance.pixel, result.ChangedPercent(),
              tolerance.share);
  if (result.matches) return 0;
  if (!diff.empty()) {
    if (!WritePng(DifferencePicture(approved, actual, tolerance.pixel), diff)) {
      std::fprintf(stderr, "%s: cannot write the PNG file\n", diff.c_str());
      return 2;
    }
    std::printf("changed pixels shown in %s\n", diff.c_str());
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") return std::fputs(kUsage, stdout) < 0;
  if (command == "--version") return std::printf("korvana-picture %s\n", KORVANA_VERSION) < 0;
  if (command == "convert" && argc == 4) return Convert(argv[2], argv[3]);
  if (command == "compare") return Compare(std::vector<std::string>(argv + 2, argv + argc));
  if (command == "info" && argc >= 3) {
    int status = 0;
    for (int i = 2; i < argc; ++i) status |= Info(argv[i]);
    return status;
  }
  return Usage();
}
