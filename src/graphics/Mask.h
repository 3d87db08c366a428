#pragma once
// Masks for transparent pictures. Convention: a mask is black
// (0) where the picture is drawn and white where it is transparent, and a
// masked picture is made black where it is transparent, so that AND (mask)
// then OR (picture) leaves the background untouched there.
#include <cstdint>
#include <string_view>

#include "graphics/PictureLoader.h"

namespace korvana {

class ErrorSink;
class GameFiles;
class Picture;

// key is a ColorKey 0x00BBGGRR. The mask takes the picture's size, white;
// every pixel whose low 24 bits equal the key becomes black in the picture,
// every other pixel black in the mask.
void BuildColorKeyMask(Picture& picture, Picture& mask, uint32_t key);

// Loads `maskFile` with LoadPicture into `scratch` (the engine's
// ScratchPicture; an unknown extension leaves its previous content, as the
// engine's loader does), then the mask becomes a copy of all of `scratch` (the
// loader copies the rectangle of the picture's size; we copy the rest too, so a
// screen-size mask of size mode 2 is complete whatever the picture's size).
// sizeMode <= 0: scratch(0, 0, w, h) := NOT mask, picture(0, 0, w, h) &=
// scratch: the picture turns black where the mask file is white. Other size
// modes leave the picture alone (the blend routines test the mask).
// Load errors take LoadPicture's paths (ScriptException passes through).
void BuildFileMask(Picture& picture, Picture& mask, std::string_view maskFile, int sizeMode,
                   Picture& scratch, const GameFiles& files, ErrorSink& errors,
                   const WarningBox& warning = {});

}  // namespace korvana
