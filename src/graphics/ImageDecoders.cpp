#include "graphics/ImageDecoders.h"

#include <jerror.h>
#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

// jpeglib.h needs FILE and size_t before it.
#include <jpeglib.h>

#include "core/SdlLibrary.h"
#include "graphics/Picture.h"

namespace korvana {

// The decoders write B, G, R, X bytes straight into the 32-bit pixels.
static_assert(std::endian::native == std::endian::little,
              "pixel decoding assumes a little-endian machine");

namespace {

bool SizeAllowed(int64_t w, int64_t h, std::string& error) {
  if (w <= 0 || h <= 0) {
    error = "the picture has no pixels (" + std::to_string(w) + " x " + std::to_string(h) + ")";
    return false;
  }
  if (w > kMaxPictureSide || h > kMaxPictureSide) {
    error = "the picture is too large (" + std::to_string(w) + " x " + std::to_string(h) +
            ", at most " + std::to_string(kMaxPictureSide) + " x " +
            std::to_string(kMaxPictureSide) + ")";
    return false;
  }
  return true;
}

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void ClearTopBytes(Picture& p) {
  for (uint32_t& v : p.Pixels()) v &= 0x00FFFFFF;
}

// ---------------------------------------------------------------- JPEG ----

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegFail(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  cinfo->err->format_message(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void JpegMessage(j_common_ptr cinfo, int level) {
  // A file that ends before its data does is an error, not a grey picture.
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) JpegFail(cinfo);
}

void JpegSilent(j_common_ptr) {}

void JpegProgress(j_common_ptr cinfo) {
  // Corrupt progressive files can hold endless scans; no real picture needs
  // more than a few dozen.
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > 1000) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "too many progressive scans");
    std::longjmp(err->jump, 1);
  }
}

// The libjpeg part alone: no C++ objects are created between setjmp and the
// end, so a longjmp skips nothing. 0: done; 1: library error (err.message);
// 2: size not allowed (width/height returned).
int JpegRun(std::span<const uint8_t> bytes, Picture& out, std::vector<uint8_t>& cmykRow,
            JpegError& err, int64_t& w, int64_t& h) {
  jpeg_decompress_struct cinfo;
  jpeg_progress_mgr progress;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  err.mgr.emit_message = JpegMessage;
  err.mgr.output_message = JpegSilent;
  err.message[0] = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return 1;
  }
  jpeg_create_decompress(&cinfo);
  progress.progress_monitor = JpegProgress;
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  w = cinfo.image_width;
  h = cinfo.image_height;
  if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide) {
    jpeg_destroy_decompress(&cinfo);
    return 2;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  const int ow = static_cast<int>(cinfo.output_width);
  out.Resize(ow, static_cast<int>(cinfo.output_height));
  if (cmyk) cmykRow.resize(static_cast<size_t>(ow) * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    JSAMPROW row = cmyk ? cmykRow.data() : reinterpret_cast<JSAMPROW>(out.Row(y));
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (cmyk) {
      // Adobe writes CMYK inverted (0 = full ink); others do not.
      const bool inverted = cinfo.saw_Adobe_marker;
      uint32_t* dst = out.Row(y);
      for (int x = 0; x < ow; ++x) {
        uint32_t c = cmykRow[4 * x], m = cmykRow[4 * x + 1], yy = cmykRow[4 * x + 2],
                 k = cmykRow[4 * x + 3];
        if (!inverted) c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
        const uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (yy * k + 127) / 255;
        dst[x] = (r << 16) | (g << 8) | b;
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

}  // namespace

bool DecodeJpeg(std::span<const uint8_t> bytes, Picture& picture, std::string& error) {
  JpegError err;
  Picture out;
  std::vector<uint8_t> cmykRow;
  int64_t w = 0, h = 0;
  switch (JpegRun(bytes, out, cmykRow, err, w, h)) {
    case 0: break;
    case 1: error = std::string("JPEG: ") + err.message; return false;
    default: SizeAllowed(w, h, error); error = "JPEG: " + error; return false;
  }
  ClearTopBytes(out);
  picture = std::move(out);
  return true;
}

// ----------------------------------------------------------------- PNG ----

namespace {

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
  char message[200];
};

void PngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > src->size - src->pos) png_error(png, "the file ends too early");
  std::memcpy(out, src->data + src->pos, length);
  src->pos += length;
}

[[noreturn]] void PngFail(png_structp png, png_const_charp message) {
  auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(src->message, sizeof src->message, "%s", message ? message : "error");
  png_longjmp(png, 1);
}

void PngWarn(png_structp, png_const_charp) {}

}  // namespace

namespace {

// The libpng part alone (see JpegRun). 0: done; 1: library error
// (src.message); 2: size not allowed.
int PngRun(PngSource& src, Picture& out, std::vector<png_bytep>& rows, int64_t& w, int64_t& h) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &src, PngFail, PngWarn);
  if (!png) return 1;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return 1;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return 1;
  }
  png_set_read_fn(png, &src, PngRead);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
  png_read_info(png, info);
  png_uint_32 pw = 0, ph = 0;
  int depth = 0, type = 0, interlace = 0;
  png_get_IHDR(png, info, &pw, &ph, &depth, &type, &interlace, nullptr, nullptr);
  w = pw;
  h = ph;
  if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide) {
    png_destroy_read_struct(&png, &info, nullptr);
    return 2;
  }
  const bool alpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
  if (depth == 16) png_set_scale_16(png);
  if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  if (!alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t{pw} * 4) png_error(png, "unexpected row layout");
  out.Resize(static_cast<int>(pw), static_cast<int>(ph));
  rows.resize(ph);
  for (png_uint_32 y = 0; y < ph; ++y)
    rows[y] = reinterpret_cast<png_bytep>(out.Row(static_cast<int>(y)));
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return 0;
}

}  // namespace

bool DecodePng(std::span<const uint8_t> bytes, Picture& picture, std::string& error) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
    error = "PNG: not a PNG file";
    return false;
  }
  PngSource src{bytes.data(), bytes.size(), 0, {0}};
  Picture out;
  std::vector<png_bytep> rows;
  int64_t w = 0, h = 0;
  switch (PngRun(src, out, rows, w, h)) {
    case 0: break;
    case 1: error = std::string("PNG: ") + (src.message[0] ? src.message : "out of memory"); return false;
    default: SizeAllowed(w, h, error); error = "PNG: " + error; return false;
  }

  // Flatten: c' = c × a + background × (1 − a), rounded.
  constexpr uint32_t bg[3] = {kPngBackground & 0xFF, (kPngBackground >> 8) & 0xFF,
                              (kPngBackground >> 16) & 0xFF};
  for (uint32_t& v : out.Pixels()) {
    const uint32_t a = v >> 24;
    if (a == 255) {
      v &= 0x00FFFFFF;
      continue;
    }
    uint32_t r = 0;
    for (int c = 0; c < 3; ++c) {
      const uint32_t ch = (v >> (8 * c)) & 0xFF;
      r |= ((ch * a + bg[c] * (255 - a) + 127) / 255) << (8 * c);
    }
    v = r;
  }
  picture = std::move(out);
  return true;
}

// ----------------------------------------------------------------- BMP ----

bool ReadBmpSize(std::span<const uint8_t> bytes, int64_t& width, int64_t& height, int& bits) {
  if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  const uint32_t headerSize = Le32(bytes.data() + 14);
  if (headerSize == 12) {  // OS/2 BITMAPCOREHEADER
    width = static_cast<int16_t>(bytes[18] | (bytes[19] << 8));
    height = static_cast<int16_t>(bytes[20] | (bytes[21] << 8));
    bits = bytes[24] | (bytes[25] << 8);
    return true;
  }
  if (bytes.size() < 30) return false;
  width = static_cast<int32_t>(Le32(bytes.data() + 18));
  height = static_cast<int32_t>(Le32(bytes.data() + 22));
  bits = bytes[28] | (bytes[29] << 8);
  return true;
}

bool DecodeBmp(std::span<const uint8_t> bytes, Picture& picture, std::string& error) {
  int64_t w = 0, h = 0;
  int bits = 0;
  if (!ReadBmpSize(bytes, w, h, bits)) {
    error = "BMP: not a Windows BMP file";
    return false;
  }
  if (!SizeAllowed(w, h < 0 ? -h : h, error)) {
    error = "BMP: " + error;
    return false;
  }
  if (bytes.size() > static_cast<size_t>(INT32_MAX)) {
    error = "BMP: the file is too large";
    return false;
  }
  if (!sdl::Load()) {
    error = "BMP: the SDL2 library cannot be loaded";
    return false;
  }
  SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (!rw) {
    error = std::string("BMP: ") + SDL_GetError();
    return false;
  }
  SDL_Surface* s = SDL_LoadBMP_RW(rw, 1);
  if (!s) {
    error = std::string("BMP: ") + SDL_GetError();
    return false;
  }
  Picture out(s->w, s->h);
  bool ok = true;
  if (s->format->format == SDL_PIXELFORMAT_INDEX8 && s->format->palette) {
    // Palette pictures (1, 4 and 8 bits, the MAG converter's output): a table.
    uint32_t table[256] = {};
    const SDL_Palette* pal = s->format->palette;
    for (int i = 0; i < pal->ncolors && i < 256; ++i)
      table[i] = (uint32_t{pal->colors[i].r} << 16) | (uint32_t{pal->colors[i].g} << 8) |
                 pal->colors[i].b;
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y) {
      const uint8_t* src = static_cast<const uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch;
      uint32_t* dst = out.Row(y);
      for (int x = 0; x < s->w; ++x) dst[x] = table[src[x]];
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
  } else {
    SDL_Surface* c = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_RGB888, 0);
    if (!c) {
      error = std::string("BMP: ") + SDL_GetError();
      ok = false;
    } else {
      if (SDL_MUSTLOCK(c)) SDL_LockSurface(c);
      for (int y = 0; y < c->h; ++y) {
        const uint32_t* src = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(c->pixels) +
                                                               static_cast<size_t>(y) * c->pitch);
        uint32_t* dst = out.Row(y);
        for (int x = 0; x < c->w; ++x) dst[x] = src[x] & 0x00FFFFFF;
      }
      if (SDL_MUSTLOCK(c)) SDL_UnlockSurface(c);
      SDL_FreeSurface(c);
    }
  }
  SDL_FreeSurface(s);
  if (!ok) return false;
  picture = std::move(out);
  return true;
}

}  // namespace korvana
