#pragma once
// What takes the focus outside the page's text is spoken too while the
// reader has speech on: a choice's entry as the keys or the pad move to it.
#include <string_view>

namespace korvana {

class Speech;
struct ClickState;

// Speaks `label` (CP932) when speech is on (ClickState::SpeakPages),
// cutting off what was being said; an empty label only stops the speech.
void SpeakFocusedLabel(const ClickState& click, Speech& speech, std::string_view label);

}  // namespace korvana
