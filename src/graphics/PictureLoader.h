#pragma once
// The one picture loader and the transparency value of a picture.
//
//   LoadPicture(name, picture, files, errors[, warning])
//     "%DATA_DRIVE%" expanded (first occurrence), the extension from the last
//     dot lower-cased (ASCII letters, CP932 trail bytes untouched), the file
//     found through GameFiles::Resolve, then:
//       .bmp          SDL2's BMP reader
//       .jpg          libjpeg-turbo            .png   libpng
//       .mag / .him   DecodeMag (Mag.h): what the BMP reader makes of the
//                     bitmap MagToBmp writes
//       .frl          DecodeFrl (Frl.h)
//       anything else (".jpeg" too): nothing; the picture keeps its content.
//     Errors, exactly as the engine reports them:
//       - BMP/JPEG/PNG missing or unreadable: throws ScriptException (CP932
//         text naming the file and the reason); the picture is untouched.
//       - MAG: "Failed by MMAG_MagtoBmp" through `warning` (an OK box) when the
//         probe passed but the conversion failed; then in every MAG failure
//         errors.ScriptError("ＭＡＧ画像が読めません:" + name); picture 8 × 8.
//       - FRL missing / no "FRL": errors.ScriptError("画像が読めません:" + name);
//         picture 8 × 8.
//     Pictures larger than kMaxPictureSide (8192) either way take their
//     format's error path.
//
//   ParseTransparencySpec(spec, picture, errors) -> NoTransparency,
//     MaskFromFile or a ColorKey 0x00BBGGRR.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "graphics/Transparency.h"

namespace korvana {

class ErrorSink;
class GameFiles;
class Picture;


// A warning dialog with a single OK button (the text is CP932). The engine
// passes the platform's message box; tests record the texts.
using WarningBox = std::function<void(const std::string& text)>;

enum class PictureFormat { None, Bmp, Jpeg, Png, Mag, Frl };

// The extension of a CP932 file name from its last dot (dot included),
// lower-cased; empty when there is no dot.
std::string PictureExtension(std::string_view name);
// The decoder the extension chooses (None: nothing is loaded).
PictureFormat FormatForName(std::string_view name);
const char* FormatName(PictureFormat format);

void LoadPicture(std::string_view fileName, Picture& picture, const GameFiles& files,
                 ErrorSink& errors, const WarningBox& warning = {});

// Decodes the bytes of a file of the given format into `picture` (any format
// but None). On failure the picture is untouched, false is returned and
// `error` says why (ASCII). Used by LoadPicture's BMP/JPEG/PNG paths and by
// the picture tool; MAG and FRL failures here are plain errors, without the
// engine's messages.
bool DecodePicture(PictureFormat format, std::span<const uint8_t> bytes, Picture& picture,
                   std::string& error);

// Transparency values (exact, case-sensitive keywords):
//   "#NONE" -> kNoTransparency; "#TOP_LEFT", "#BOTTOM_LEFT", "#TOP_RIGHT",
//   "#BOTTOM_RIGHT" -> that corner pixel as 0x00BBGGRR; another "#..." -> its
//   characters 2..7 (up to six) as hexadecimal 0xRRGGBB, red and blue swapped;
//   not hexadecimal (no digits, or any other character) ->
//   errors.ScriptError("色指定が異常です。:" + spec) and 0x00FFFFFF; anything
//   else, the empty string included -> kMaskFromFile.
int32_t ParseTransparencySpec(std::string_view spec, const Picture& picture, ErrorSink& errors);

}  // namespace korvana
