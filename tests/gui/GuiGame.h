#pragma once
// A game folder with the desktop program playing it, and the boxes the
// program asked, answered from a list (OK or Yes when it runs out).
#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "App.h"
#include "TempDir.h"
#include "core/Cp932.h"

namespace korvana::test {

struct Game {
  TempDir dir;
  std::vector<std::string> boxes;  // UTF-8 "caption|text"
  std::vector<BoxAnswer> answers;
  std::unique_ptr<App> app;

  explicit Game(const std::string& cfg, const std::string& scriptUtf8) {
    if (!cfg.empty()) dir.Write("krv.cfg", cfg);
    dir.Write("autorun.txt", cp932::FromUtf8(scriptUtf8));
    app = std::make_unique<App>(dir.str());
    // The reader's settings of a test game are its own, never the user's.
    app->readerFile = config::ReaderSettingsFile(ReaderSettingsPath());
    app->platform.boxHook = [this](const std::string& text, const std::string& caption,
                                   BoxButtons buttons, BoxIcon) {
      boxes.push_back(cp932::ToUtf8(caption) + "|" + cp932::ToUtf8(text));
      if (!answers.empty()) {
        BoxAnswer a = answers.front();
        answers.erase(answers.begin());
        return a;
      }
      return buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
    };
  }
  ~Game() { app.reset(); }
  std::string Flag(int i) const { return cp932::ToUtf8(app->flags.Get(i)); }
  std::string ReaderSettingsPath() const { return dir.str() + "/config/korvana/settings.ini"; }
};

using Steps = std::vector<std::function<void()>>;

// Runs `steps[i]` and then the steps after it, each from its own timer, so
// they run inside whatever wait the story is in (the story runs inside the
// event loop, and a test function waits under it). A timer of 1 ms, not 0:
// a zero timer is a posted event, and the story itself runs inside one, so
// its waits would not deliver it. A step that throws still lets the next run.
// Steps still due when `context` goes (the game ended) never run.
inline void RunSteps(QObject* context, std::shared_ptr<const Steps> steps, size_t i = 0) {
  if (i >= steps->size()) return;
  QTimer::singleShot(1, context, [context, steps, i] {
    struct Next {
      QObject* context;
      std::shared_ptr<const Steps> steps;
      size_t i;
      ~Next() { RunSteps(context, steps, i); }
    } next{context, steps, i + 1};
    (*steps)[i]();
  });
}

// Call after App::Open(): the story starts first and the steps run in its
// waits.
inline void DuringTheStory(Game& game, Steps steps) {
  RunSteps(game.app->window.get(), std::make_shared<const Steps>(std::move(steps)));
}

}  // namespace korvana::test
