#include "backends/headless/HeadlessPlatform.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "backends/RippedTracks.h"
#include "backends/linux/LineFile.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "platform/MediaLength.h"

namespace korvana {
namespace {

// Transcript fields are UTF-8 with line feeds and tabs written as \n and \t;
// a page clear in drawn text is written \f.
std::string Utf8Field(const std::string& utf8) {
  std::string out;
  for (char c : utf8) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\f')
      out += "\\f";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string Field(const std::string& sjis) {
  return Utf8Field(cp932::ToUtf8(sjis));
}

int64_t CharactersOf(const std::string& utf8) {
  return std::count_if(utf8.begin(), utf8.end(),
                       [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

const char* AnswerName(BoxAnswer a) {
  switch (a) {
    case BoxAnswer::Ok:
      return "ok";
    case BoxAnswer::Cancel:
      return "cancel";
    case BoxAnswer::Yes:
      return "yes";
    case BoxAnswer::No:
      return "no";
  }
  return "ok";
}

}  // namespace

HeadlessPlatform::HeadlessPlatform(HeadlessOptions options, std::vector<HeadlessMenuItem> menu)
    : options_(std::move(options)), menu_(std::move(menu)) {}

void HeadlessPlatform::Record(std::initializer_list<std::string> fields) {
  Record(std::vector<std::string>(fields));
}

void HeadlessPlatform::Record(const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& f : fields) {
    if (!line.empty()) line += '\t';
    line += f;
  }
  if (stream_) {
    std::fputs(line.c_str(), stream_);
    std::fputc('\n', stream_);
    std::fflush(stream_);
  }
  if (keepTranscript_) transcript_.push_back(std::move(line));
}

bool HeadlessPlatform::DeliverOne() {
  if (events_.empty()) return false;
  auto event = std::move(events_.front());
  events_.pop_front();
  event();
  if (closeAccepted_) throw EngineExit{0, true};
  return true;
}

void HeadlessPlatform::CheckLoopLimits() {
  if (!limitsArmed_) return;
  if (options_.maxPumps >= 0 && ++pumps_ > options_.maxPumps) throw HeadlessStop{"max-pumps"};
  if (options_.noProgressPumps >= 0 && ++pumpsIdle_ > options_.noProgressPumps)
    throw HeadlessStop{"no progress", false, true};
  CheckWallClock();
}

void HeadlessPlatform::CheckWallClock() {
  if (!limitsArmed_ || options_.maxWallMs < 0) return;
  // Compared in milliseconds: the largest limit in nanoseconds would overflow.
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started_);
  if (spent.count() > options_.maxWallMs) throw HeadlessStop{"max-wall-ms"};
}

void HeadlessPlatform::ProcessMessages() {
  CheckLoopLimits();
  EndDuePlays();
  while (DeliverOne()) {
  }
}

void HeadlessPlatform::Advance(uint64_t to) {
  if (options_.maxMs >= 0 && to - kStartTick > static_cast<uint64_t>(options_.maxMs)) {
    clock_ = kStartTick + static_cast<uint64_t>(options_.maxMs);
    throw HeadlessStop{"max-ms"};
  }
  if (to > clock_) {
    clock_ = to;
    Progressed();
  }
}

void HeadlessPlatform::WaitMessage(int64_t timeoutMs) {
  CheckLoopLimits();
  if (DeliverOne()) {
    soundOnlyWakes_ = 0;
    return;
  }
  CheckPadsEndedTheirWait();
  uint64_t target = UINT64_MAX;
  if (timeoutMs >= 0) target = clock_ + static_cast<uint64_t>(timeoutMs);
  if (timer1_ && timer1Next_ < target) target = timer1Next_;
  const uint64_t soundEnd = NextEnd();
  if (soundEnd < target) {
    // Only a wait that nothing else will ever end counts: a timed one ends
    // however many repeats of a short sound come before it.
    constexpr int64_t kMostSoundOnlyWakes = 10000;
    if (target == UINT64_MAX && ++soundOnlyWakes_ > kMostSoundOnlyWakes)
      throw HeadlessStop{"waiting for input that never comes"};
    target = soundEnd;
  } else {
    soundOnlyWakes_ = 0;
  }
  if (target == UINT64_MAX) throw HeadlessStop{"waiting for input that never comes"};
  Advance(target);
  EndDuePlays();
  if (timer1_ && clock_ >= timer1Next_) {
    timer1Next_ += 100;
    if (sink_) sink_->OnTimer1();
  }
}

void HeadlessPlatform::SetTimer1(bool enabled) {
  if (enabled && !timer1_) timer1Next_ = clock_ + 100;
  timer1_ = enabled;
}

LocalTime HeadlessPlatform::Now() {
  // A fixed calendar start (2000-01-01 00:00:00) moved by virtual time keeps
  // runs reproducible.
  std::time_t t = 946684800 + static_cast<std::time_t>(ElapsedMs() / 1000);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return LocalTime{tm.tm_sec,     tm.tm_min,  tm.tm_hour, tm.tm_mday,
                   tm.tm_mon + 1, tm.tm_year, tm.tm_wday, tm.tm_yday};
}

BoxAnswer HeadlessPlatform::MessageBox(const std::string& text, const std::string& caption,
                                       BoxButtons buttons, BoxIcon) {
  BoxAnswer answer = BoxAnswer::Ok;
  if (buttons != BoxButtons::Ok) {
    static const std::string kErrorReport =
        J("エラー発生！！強制終了しますか？(設定ファイルを保存しません)");
    const bool errorReport = text == kErrorReport;
    if (errorReport) ++errorReports_;
    const bool yesNo = buttons == BoxButtons::YesNo;
    std::string wanted;
    if (nextAnswer_ < options_.answers.size())
      wanted = options_.answers[nextAnswer_++];
    else
      wanted = errorReport ? "no" : "ok";
    const bool positive = wanted == "yes" || wanted == "ok";
    answer = yesNo ? (positive ? BoxAnswer::Yes : BoxAnswer::No)
                   : (positive ? BoxAnswer::Ok : BoxAnswer::Cancel);
  }
  Record({"box", Field(caption), Field(text), AnswerName(answer)});
  return answer;
}

void HeadlessPlatform::ShowNote(const std::string& text) {
  Record({"note", Field(text)});
}

void HeadlessPlatform::Say(const std::string& text) {
  // What was drawn comes before what is said of it.
  FlushText();
  Record({"speak", Utf8Field(text)});
  speaking_ = true;
  speechEnd_ = clock_ + static_cast<uint64_t>(CharactersOf(text) * kSpeechMsPerChar);
}

void HeadlessPlatform::SendText(const std::string& line) {
  FlushText();
  Record({"textout", Utf8Field(line)});
  if (!options_.textOut.empty()) LineFile(options_.textOut).Append(line);
}

void HeadlessPlatform::ShowException(const std::string& message) {
  Record({"box", "Korvana", Field(message), "ok"});
}

bool HeadlessPlatform::InputBox(const std::string& caption, const std::string& prompt,
                                std::string& text) {
  if (nextInput_ < options_.inputs.size()) {
    text = cp932::FromUtf8(options_.inputs[nextInput_++]);
    Record({"input", Field(caption), Field(prompt), Field(text)});
    return true;
  }
  Record({"input", Field(caption), Field(prompt), "cancel"});
  return false;
}

bool HeadlessPlatform::OpenScriptDialog(std::string&) {
  Record({"dialog", "open", "cancel"});
  return false;
}

void HeadlessPlatform::ChooseMenuItems() {
  ++inputWaits_;
  menuDone_.resize(options_.menu.size());
  for (size_t i = 0; i < options_.menu.size(); ++i) {
    const HeadlessOptions::MenuChoice& m = options_.menu[i];
    if (menuDone_[i] || (m.wait != 0 && m.wait != inputWaits_)) continue;
    menuDone_[i] = true;
    ChooseMenuItem(m.item);
  }
  reloadedHere_ = false;
  for (const HeadlessOptions::ReloadAfter& r : options_.reloads) {
    if (r.wait != inputWaits_ || !reloadScript) continue;
    reloadScript(r.file);
    reloadedHere_ = true;
  }
}

void HeadlessPlatform::ChooseMenuItem(const std::string& item) {
  const auto entry = std::find_if(menu_.begin(), menu_.end(),
                                  [&](const HeadlessMenuItem& m) { return m.name == item; });
  if (entry != menu_.end() && !entry->enabled) {
    Record({"menu", item, "disabled"});
    return;
  }
  Record({"menu", item});
  if (runMenuItem) runMenuItem(item);
}

bool HeadlessPlatform::SlotDialog(SlotMode mode, const std::vector<SlotEntry>& slots, int& slot) {
  const char* kind = mode == SlotMode::Save ? "save" : "load";
  const std::string wanted =
      nextSlot_ < options_.slotChoices.size() ? options_.slotChoices[nextSlot_++] : "cancel";
  Record({"dialog", kind, wanted});
  if (wanted == "cancel") return false;
  const int index = std::atoi(wanted.c_str()) - 1;
  if (index < 0 || index >= static_cast<int>(slots.size()))
    throw HeadlessStop{"slot " + wanted + " does not exist", true};
  const bool used = index >= 0 && index < static_cast<int>(slots.size()) && slots[index].used;
  // The window offers no button for a slot without a readable status file:
  // a missing one, a link that leads nowhere, a folder or a pipe.
  if (mode == SlotMode::Load && !used)
    throw HeadlessStop{"slot " + wanted + " has no saved game to load", true};
  if (mode == SlotMode::Save && used &&
      MessageBox(J("上書きしていいですか？"), J("確認"), BoxButtons::OkCancel, BoxIcon::Question) !=
          BoxAnswer::Ok)
    return false;
  slot = index;
  return true;
}

bool HeadlessPlatform::FontDialog(FontChoice& choice) {
  bool ok = false;
  if (onFontDialog) {
    ok = onFontDialog(choice);
  } else {
    ok = nextFontAnswer_ < options_.fontAnswers.size() &&
         options_.fontAnswers[nextFontAnswer_++] == "ok";
    for (std::string& face : choice.faces) face = choice.Listed(face);
  }
  Record({"dialog", "font", ok ? "ok" : "cancel"});
  return ok;
}

void HeadlessPlatform::VersionDialog(const VersionInfo& info) {
  Record({"dialog", "version"});
  if (onVersionDialog) onVersionDialog(info);
}

void HeadlessPlatform::ShowDebugWindow(DebugSource& source) {
  Record({"dialog", "debug"});
  debugWindow = &source;
}

bool HeadlessPlatform::CanWrite(const std::string& folder) {
  const std::string path = std::filesystem::path(folder).lexically_normal().string();
  for (const std::string& readOnly : readOnlyFolders) {
    const std::string top = std::filesystem::path(readOnly).lexically_normal().string();
    if (path.rfind(top, 0) == 0 && (path.size() == top.size() || path[top.size()] == '/' ||
                                    top.back() == '/'))
      return false;
  }
  return Machine::CanWrite(folder);
}

bool HeadlessPlatform::SaveFolderDialog(std::string&) {
  Record({"dialog", "savefolder", "cancel"});
  return false;
}

const Picture& HeadlessPlatform::Screen() const {
  // One black screen for every platform: sessions are made by the hundred in
  // tests and fuzzing, and most never look at it.
  static const Picture blank(kScreenWidth, kScreenHeight);
  return screen_ ? *screen_ : blank;
}

void HeadlessPlatform::SetCaption(const std::string& caption) {
  Record({"caption", Field(caption)});
}

const HeadlessMenuItem* HeadlessPlatform::Find(MenuItem item) const {
  for (const HeadlessMenuItem& m : menu_)
    if (m.item == item) return &m;
  return nullptr;
}

HeadlessMenuItem& HeadlessPlatform::Entry(MenuItem item) {
  for (HeadlessMenuItem& m : menu_)
    if (m.item == item) return m;
  return menu_.emplace_back(HeadlessMenuItem{.item = item, .enabled = false});
}

void HeadlessPlatform::SetMenuItemEnabled(MenuItem item, bool enabled) {
  Entry(item).enabled = enabled;
}

void HeadlessPlatform::SetMenuItemChecked(MenuItem item, bool checked) {
  Entry(item).checked = checked;
}

bool HeadlessPlatform::MenuItemEnabled(MenuItem item) const {
  const HeadlessMenuItem* m = Find(item);
  return m && m->enabled;
}

bool HeadlessPlatform::MenuItemChecked(MenuItem item) const {
  const HeadlessMenuItem* m = Find(item);
  return m && m->checked;
}

void HeadlessPlatform::FlushText() {
  if (pendingText_.empty()) return;
  Record({"text", Field(pendingText_)});
  pendingText_.clear();
}

void HeadlessPlatform::MarkClickWait() {
  const int64_t wait = inputWaits_ + 1;
  std::string place = "?:0";
  if (scriptPlace) {
    const auto [file, line] = scriptPlace();
    place = Field(file) + ":" + std::to_string(line);
  }
  Record({"wait", std::to_string(wait), place});
  const auto& shots = options_.screenshotWaits;
  if (std::find(shots.begin(), shots.end(), wait) == shots.end()) return;
  const std::filesystem::path file =
      std::filesystem::path(options_.screenshotDir) / ("wait-" + std::to_string(wait) + ".png");
  std::error_code ignored;
  std::filesystem::create_directories(options_.screenshotDir, ignored);
  if (!WritePng(Screen(), file.string())) unwrittenShots_.push_back(file.string());
}

void HeadlessPlatform::CheckInputBound() {
  Progressed();
  if (limitsArmed_ && options_.inputBound >= 0 && inputWaits_ >= options_.inputBound)
    throw HeadlessStop{"click limit"};
}

void HeadlessPlatform::ClickWaitStarted() {
  FlushText();
  MarkClickWait();
  CheckInputBound();
  // Auto mode answers the wait in virtual time; a click would stop it, so
  // none is given and none of `--clicks` is used up. It may come on or go
  // off by an item chosen at this very wait.
  const bool autoBefore = MenuItemChecked(MenuItem::Auto);
  // Pad buttons given to this wait take the place of its click.
  if (const std::vector<PadButton> pads = PadPressesDue(inputWaits_ + 1); !pads.empty()) {
    soundOnlyWakes_ = 0;
    ChooseMenuItems();
    if (onClickWait) onClickWait();
    QueuePads(pads);
    return;
  }
  auto takeClick = [&] {
    if (options_.maxClicks >= 0 && clicksGiven_ >= options_.maxClicks)
      throw HeadlessStop{"clicks"};
    ++clicksGiven_;
  };
  if (!autoBefore) takeClick();
  soundOnlyWakes_ = 0;
  ChooseMenuItems();
  if (onClickWait) onClickWait();
  if (MenuItemChecked(MenuItem::Auto)) {
    if (!autoBefore) --clicksGiven_;
    return;
  }
  if (reloadedHere_ && storyLeaving && storyLeaving()) {
    if (!autoBefore) --clicksGiven_;
    return;
  }
  if (autoBefore) takeClick();
  QueueClick(pointerX_, pointerY_);
}

void HeadlessPlatform::ScriptLineStarting() {
  if (options_.maxLines >= 0 && linesRun_ >= options_.maxLines) throw HeadlessStop{"max-lines"};
  if (limitsArmed_ && options_.noProgressLines >= 0 && ++linesIdle_ > options_.noProgressLines)
    throw HeadlessStop{"no progress", false, true};
  CheckWallClock();
  soundOnlyWakes_ = 0;
  ++linesRun_;
}

bool HeadlessPlatform::StartPlaying(int slot, int64_t lengthMs) {
  if (lengthMs < 0) return false;
  // No play ends sooner than the window's mixer can end one: an endless
  // play of a file one sample long repeats as time goes by, not without end
  // at one instant.
  lengthMs = std::max(lengthMs, kShortestPlayMs);
  playing_[slot] = Playing{true, clock_ + static_cast<uint64_t>(lengthMs)};
  return true;
}

uint64_t HeadlessPlatform::NextEnd() const {
  uint64_t next = UINT64_MAX;
  for (const Playing& p : playing_)
    if (p.active) next = std::min(next, p.end);
  if (speaking_) next = std::min(next, speechEnd_);
  return next;
}

void HeadlessPlatform::EndDuePlays() {
  // The end of speech wakes the wait that waits for it; nothing else hears.
  if (speaking_ && speechEnd_ <= clock_) speaking_ = false;
  for (;;) {
    int due = -1;
    for (int i = 0; i <= kMovieSlot; ++i)
      if (playing_[i].active && playing_[i].end <= clock_ &&
          (due < 0 || playing_[i].end < playing_[due].end))
        due = i;
    if (due < 0) return;
    CheckWallClock();
    playing_[due].active = false;
    if (!sink_) continue;
    if (due == kMovieSlot)
      sink_->OnMovieEnded();
    else
      sink_->OnAudioEnded(static_cast<AudioChannel>(due));
  }
}

int64_t HeadlessPlatform::LengthOf(AudioChannel channel, const std::string& path) {
  Opened& opened = opened_[static_cast<int>(channel)];
  if (opened.path != path) opened = {path, MediaLengthMs(path)};
  return opened.lengthMs;
}

bool HeadlessPlatform::Open(AudioChannel channel, const std::string& path) {
  return LengthOf(channel, path) >= 0;
}

bool HeadlessPlatform::OpenCd(const std::vector<std::string>& trackFolders) {
  cdTracks_ = FindRippedTracks(trackFolders);
  return !cdTracks_.empty();
}

bool HeadlessPlatform::Close(AudioChannel channel) {
  playing_[static_cast<int>(channel)].active = false;
  return true;
}

bool HeadlessPlatform::Play(AudioChannel channel, const std::string& path, int64_t,
                            int64_t lengthMs) {
  if (channel == AudioChannel::Cd) return StartPlaying(static_cast<int>(channel), lengthMs);
  return StartPlaying(static_cast<int>(channel), lengthMs > 0 ? lengthMs : LengthOf(channel, path));
}

int HeadlessPlatform::Stop(AudioChannel channel) {
  playing_[static_cast<int>(channel)].active = false;
  return 0;
}

bool HeadlessPlatform::PlayShort(const std::string& path) {
  return StartPlaying(static_cast<int>(AudioChannel::Short), LengthOf(AudioChannel::Short, path));
}

void HeadlessPlatform::StopShort() {
  playing_[static_cast<int>(AudioChannel::Short)].active = false;
}

bool HeadlessPlatform::CdTrack(int track, int64_t& startMs, int64_t& lengthMs) {
  startMs = lengthMs = 0;
  const auto file = cdTracks_.find(track);
  if (file == cdTracks_.end()) return false;
  lengthMs = MediaLengthMs(file->second);
  return lengthMs >= 0;
}

bool HeadlessPlatform::Play(const std::string& path, int, int, int, int) {
  if (!StartPlaying(kMovieSlot, MovieLengthMs(path))) return false;
  if (onMovie) onMovie();
  return true;
}

void HeadlessPlatform::Stop() {
  playing_[kMovieSlot].active = false;
}

void HeadlessPlatform::SoundEvent(const char* channel, const char* event, const std::string& file,
                                  int repeat) {
  Record({"sound", channel, event, Field(file), std::to_string(repeat)});
}

bool HeadlessPlatform::MovePointer(int x, int y) {
  if (pointerFixed) return false;
  pointerX_ = x;
  pointerY_ = y;
  events_.emplace_front([this, x, y] {
    if (sink_) sink_->OnMouseMove(x, y);
  });
  return true;
}

void HeadlessPlatform::ChoiceStarted(const ChoiceView& choice) {
  // The prompt drawn before a choice belongs before it in the transcript.
  FlushText();
  CheckInputBound();
  ChooseMenuItems();
  if (storyLeaving && storyLeaving()) return;
  if (onChoice) {
    onChoice(choice);
    return;
  }
  if (const std::vector<PadButton> pads = PadPressesDue(inputWaits_); !pads.empty()) {
    std::vector<std::string> fields = {"choice", choice.kind,
                                       std::to_string(choice.entries.size()), "pad"};
    for (const ChoiceView::Entry& e : choice.entries) fields.push_back(Field(e.label));
    Record(fields);
    QueuePads(pads);
    return;
  }
  const int64_t index = nextChoice_ < options_.choices.size() ? options_.choices[nextChoice_++] : 0;
  const auto n = static_cast<int64_t>(choice.entries.size());
  std::vector<std::string> fields = {"choice", choice.kind, std::to_string(n),
                                     std::to_string(index)};
  for (const ChoiceView::Entry& e : choice.entries) fields.push_back(Field(e.label));
  Record(fields);
  if (index < 0 || index >= n || !choice.entries[static_cast<size_t>(index)].choosable)
    throw HeadlessStop{"choice " + std::to_string(index) + " cannot be chosen", true};
  const ChoiceView::Entry& entry = choice.entries[static_cast<size_t>(index)];
  // A choice answers only a pointer that moved after it came. A title that
  // comes back under a pointer still resting on the entry chosen last time
  // gets a step within that entry first, as a reader's hand would give it.
  if (pointerX_ == entry.x && pointerY_ == entry.y)
    QueueMove(entry.x, entry.y > 0 ? entry.y - 1 : entry.y + 1);
  QueueMove(entry.x, entry.y);
  QueueClick(entry.x, entry.y);
}

void HeadlessPlatform::QueueClick(int x, int y) {
  events_.emplace_back([this, x, y] {
    if (sink_) sink_->OnMouseDown(x, y, MouseButton::Left);
  });
  // The release is one message that also makes the click, and the click is
  // handled first, as a window system delivers them; so a wait that ends on
  // the release never leaves the click behind for a later wait.
  events_.emplace_back([this, x, y] {
    if (!sink_) return;
    sink_->OnClick(x, y);
    sink_->OnMouseUp(x, y, MouseButton::Left);
  });
}

void HeadlessPlatform::RequestClose() {
  events_.emplace_back([this] {
    if (sink_ && sink_->OnCloseRequest()) closeAccepted_ = true;
  });
}

void HeadlessPlatform::QueueKey(Key key) {
  events_.emplace_back([this, key] {
    if (sink_) sink_->OnKey(key);
  });
}

void HeadlessPlatform::QueueMove(int x, int y) {
  events_.emplace_back([this, x, y] {
    pointerX_ = x;
    pointerY_ = y;
    if (sink_) sink_->OnMouseMove(x, y);
  });
}

void HeadlessPlatform::QueueWheel(int delta) {
  events_.emplace_back([this, delta] {
    if (sink_) sink_->OnWheel(pointerX_, pointerY_, delta);
  });
}

void HeadlessPlatform::QueueCtrl(bool down) {
  events_.emplace_back([this, down] {
    if (sink_) sink_->OnCtrl(down);
  });
}

void HeadlessPlatform::QueueShortcut(const std::string& item) {
  QueueCtrl(true);
  // The letter is a key of its own before the shortcut acts, as the window
  // system hands it over.
  events_.emplace_back([this, item] {
    if (sink_) sink_->OnKey(Key::Other);
    // Input queued after the shortcut comes after its item has acted, as a
    // player's later keys and clicks do; the item's own pumps must not take
    // the click meant for the wait and lose it when the item clears clicks.
    std::deque<std::function<void()>> later;
    later.swap(events_);
    ChooseMenuItem(item);
    for (auto& event : later) events_.push_back(std::move(event));
  });
  QueueCtrl(false);
}

std::vector<PadButton> HeadlessPlatform::PadPressesDue(int64_t wait) {
  padDone_.resize(options_.pad.size());
  std::vector<PadButton> due;
  for (size_t i = 0; i < options_.pad.size(); ++i)
    if (!padDone_[i] && options_.pad[i].wait == wait) {
      padDone_[i] = true;
      due.push_back(options_.pad[i].button);
    }
  if (!due.empty()) return due;
  // Unnumbered buttons go one to a wait, so that "a,a,a" reads three pages.
  for (size_t i = 0; i < options_.pad.size(); ++i)
    if (!padDone_[i] && options_.pad[i].wait == 0) {
      padDone_[i] = true;
      due.push_back(options_.pad[i].button);
      break;
    }
  return due;
}

void HeadlessPlatform::QueuePad(PadButton button) {
  events_.emplace_back([this, button] {
    // A skip held since an earlier button is let go first.
    pad_.ReleaseAll();
    Record({"pad", std::string(PadButtonName(button))});
    pad_.Press(button, TickCount());
    if (config::ActionOf(pad_.Mapping(), button) != config::PadAction::Skip)
      pad_.Release(button, TickCount());
  });
}

void HeadlessPlatform::QueuePads(const std::vector<PadButton>& pads) {
  for (PadButton b : pads) QueuePad(b);
  padCheckWait_ = inputWaits_;
}

void HeadlessPlatform::CheckPadsEndedTheirWait() {
  // Once every button has come and the wait would sleep, the wait they were
  // given must be over; else nothing is left to end it, and the run stops
  // rather than idle on in virtual time. A held skip and auto mode end it by
  // themselves, later.
  if (padCheckWait_ < 0) return;
  const bool sameWait = padCheckWait_ == inputWaits_;
  padCheckWait_ = -1;
  if (sameWait && !padSkipHeld_ && !MenuItemChecked(MenuItem::Auto) && waitingForInput &&
      waitingForInput())
    throw HeadlessStop{"the pad buttons did not end the wait", true};
}

void HeadlessPlatform::PadClick() {
  // The click comes next, before anything queued after the button, press
  // and release as two messages as QueueClick makes them.
  const int x = pointerX_, y = pointerY_;
  events_.emplace_front([this, x, y] {
    if (!sink_) return;
    sink_->OnClick(x, y);
    sink_->OnMouseUp(x, y, MouseButton::Left);
  });
  events_.emplace_front([this, x, y] {
    if (sink_) sink_->OnMouseDown(x, y, MouseButton::Left);
  });
}

void HeadlessPlatform::PadMenu() {
  if (sink_) sink_->OnMouseDown(pointerX_, pointerY_, MouseButton::Right);
}

void HeadlessPlatform::PadArrow(Key key) {
  if (sink_) sink_->OnKey(key);
}

void HeadlessPlatform::PadSkip(bool held) {
  padSkipHeld_ = held;
  if (sink_) sink_->OnCtrl(held);
}

}  // namespace korvana
