#pragma once
// The two views of the pop-up menu that hide part of the screen until the
// next click: the picture without the message window, and the message
// window alone. Each holds the marker's timer and the pop-up menu, shows the
// wait cursor and puts the screen back afterwards.
#include <cstdint>

namespace korvana {

class Layers;
class StoryCursor;

// The scene without the parts `TextHideMode` names (bits 0-2: objects 0-2,
// bit 3: the effect layer), and not darkened.
void ShowPictureOnlyView(Layers& layers, StoryCursor& cursor);
// The message window over black, or over white when `textColor`
// (0x00BBGGRR) is dark; nothing while the message window is hidden.
void ShowMessageOnlyView(Layers& layers, StoryCursor& cursor, uint32_t textColor);

}  // namespace korvana
