#include "text/FocusSpeech.h"

#include "core/ClickState.h"
#include "core/Cp932.h"
#include "platform/Speech.h"

namespace korvana {

void SpeakFocusedLabel(const ClickState& click, Speech& speech, std::string_view label) {
  if (!click.SpeakPages) return;
  const std::string text = cp932::ToUtf8(label);
  if (text.empty())
    speech.StopSpeech();
  else
    speech.Say(text);
}

}  // namespace korvana
