// Movies in the window: the frame inside its rectangle over black, the
// picture back when the movie stops or ends, frames timed by the sound heard
// or by the wall clock, and rectangles that leave the picture.
#include <QtTest>
#include <memory>

#include "App.h"
#include "GuiTests.h"
#include "MovieSamples.h"
#include "QuietSink.h"
#include "TempDir.h"
#include "script/EngineProbe.h"

using namespace korvana;
using test::MovieSample;
using test::NearColour;

namespace {

constexpr uint32_t kPictureColour = 0x336699;

// A mixer that hears exactly what the test says it has.
struct FakeSound : MovieSound {
  int64_t* played;
  std::vector<int16_t>* heard;
  bool* stopped;
  FakeSound(int64_t* p, std::vector<int16_t>* h, bool* s) : played(p), heard(h), stopped(s) {}
  bool Start() override { return true; }
  size_t Push(const int16_t* frames, size_t count) override {
    heard->insert(heard->end(), frames, frames + 2 * count);
    return count;
  }
  int64_t PlayedFrames() const override { return *played; }
  void Stop() override { *stopped = true; }
};

struct EndCounter : test::QuietSink {
  int ended = 0;
  void OnMovieEnded() override { ++ended; }
};

// The program over an empty story, the picture one flat colour, the movie
// player on a clock the test moves.
struct Stage {
  test::TempDir dir;
  std::unique_ptr<App> app;
  EndCounter sink;
  int64_t wallMs = 1000;
  int64_t playedFrames = 0;
  std::vector<int16_t> heard;
  bool soundStopped = false;

  Stage() {
    dir.Write("krv.cfg", "SavePath=.\\\r\n");
    dir.Write("autorun.txt", "");
    app = std::make_unique<App>(dir.str());
  }
  bool Open() {
    if (!app->Open()) return false;
    app->platform.SetInputSink(&sink);
    EngineProbe(app->engine).PokeScreen().BackImage.Fill(kPictureColour);
    QtMovie& movie = Movie();
    movie.wallClock = [this] { return wallMs; };
    movie.makeSound = [this] {
      return std::make_unique<FakeSound>(&playedFrames, &heard, &soundStopped);
    };
    return true;
  }
  MainWindow* Window() const { return app->window.get(); }
  QtMovie& Movie() const { return app->platform.movie(); }
  // The colour the window shows at a picture pixel.
  uint32_t At(int x, int y) const {
    return Window()->grab().toImage().pixel(Window()->FromPicture(QPoint(x, y))) & 0xFFFFFF;
  }
  bool Play(const char* file, int x, int y, int w, int h) {
    return app->platform.Play(MovieSample(file), x, y, w, h);
  }
  // Lets the movie run to its end, everything pushed heard at once; false
  // when it does not end.
  bool RunToEnd() {
    for (int tick = 0; tick < 100 && Movie().Playing(); ++tick) {
      wallMs += 50;
      playedFrames = static_cast<int64_t>(heard.size() / 2);
      Movie().Tick();
    }
    return !Movie().Playing();
  }
};

}  // namespace

class MovieTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void frameCoversItsRectangleAndBlackTheRest() {
    Stage s;
    QVERIFY(s.Open());
    QVERIFY(s.Play("mpeg4.avi", 100, 60, 128, 96));
    QVERIFY(NearColour(s.At(100 + 32, 60 + 48), 0xFF0000));
    QVERIFY(NearColour(s.At(100 + 96, 60 + 48), 0xFFFFFF));
    QVERIFY(NearColour(s.At(101, 61), 0xFF0000));
    QVERIFY(NearColour(s.At(226, 154), 0xFFFFFF));
    for (QPoint outside : {QPoint(99, 100), QPoint(228, 100), QPoint(150, 59), QPoint(150, 156),
                           QPoint(0, 0), QPoint(639, 479)})
      QCOMPARE(s.At(outside.x(), outside.y()), 0x000000u);

    s.app->platform.Stop();
    QVERIFY(!s.Movie().Playing());
    QCOMPARE(s.At(132, 108), kPictureColour);
    QCOMPARE(s.At(0, 0), kPictureColour);
    QCOMPARE(s.sink.ended, 0);  // stopping is not reaching the end
  }

  void framesFollowTheWallClockWithoutSound() {
    Stage s;
    QVERIFY(s.Open());
    QVERIFY(s.Play("mpeg4.avi", 0, 0, 640, 480));
    QVERIFY(s.heard.empty());
    for (int64_t ms : {0, 150, 250, 399, 450, 599}) {
      s.wallMs = 1000 + ms;
      s.Movie().Tick();
      QVERIFY2(NearColour(s.At(160, 240), test::SampleLeftColour(ms)),
               qPrintable(QString::number(ms)));
      QVERIFY(NearColour(s.At(480, 240), test::kSampleRightColour));
    }
    QCOMPARE(s.sink.ended, 0);
    s.wallMs = 1000 + 700;
    s.Movie().Tick();
    QCOMPARE(s.sink.ended, 1);
    QVERIFY(!s.Movie().Playing());
    QCOMPARE(s.At(160, 240), kPictureColour);
  }

  void framesFollowTheSoundHeard() {
    Stage s;
    QVERIFY(s.Open());
    QVERIFY(s.Play("cinepak-pcm.avi", 0, 0, 640, 480));
    struct Row {
      int64_t wallMs;  // since the start
      int64_t heardMs;
      uint32_t left;
    } rows[] = {
        {0, 0, 0xFF0000},
        {400, 0, 0xFF0000},    // the pictures wait for the sound
        {450, 250, 0x00FF00},  // and follow it
        {460, 450, 0x0000FF},
    };
    for (const Row& r : rows) {
      s.wallMs = 1000 + r.wallMs;
      s.playedFrames = r.heardMs * 44100 / 1000;
      s.Movie().Tick();
      QVERIFY2(NearColour(s.At(160, 240), r.left), qPrintable(QString::number(r.heardMs)));
    }
    // The mixer hears the tone: both channels, at half of full scale.
    QVERIFY(s.heard.size() >= 2 * 44100 / 4);
    int peak = 0;
    for (size_t i = 0; i + 1 < s.heard.size(); i += 2) {
      QCOMPARE(s.heard[i], s.heard[i + 1]);
      peak = std::max(peak, std::abs(int{s.heard[i]}));
    }
    QVERIFY(peak > 12000 && peak < 20000);

    QCOMPARE(s.sink.ended, 0);
    QVERIFY(s.RunToEnd());
    QCOMPARE(s.sink.ended, 1);
    QVERIFY(s.soundStopped);
    QVERIFY(std::abs(static_cast<int64_t>(s.heard.size() / 2) - 26460) < 500);
    QCOMPARE(s.At(160, 240), kPictureColour);
  }

  void stalledMixerIsGivenUp() {
    Stage s;
    QVERIFY(s.Open());
    QVERIFY(s.Play("cinepak-pcm.avi", 0, 0, 640, 480));
    // Nothing is ever heard: for half a second the pictures wait, then the
    // sound is stopped and the movie goes on by the wall from where it was.
    s.wallMs = 1000 + 500;
    s.Movie().Tick();
    QVERIFY(!s.soundStopped);
    s.wallMs = 1000 + 501;
    s.Movie().Tick();
    QVERIFY(s.soundStopped);
    QVERIFY(NearColour(s.At(160, 240), 0xFF0000));
    s.wallMs = 1000 + 501 + 250;
    s.Movie().Tick();
    QVERIFY(NearColour(s.At(160, 240), 0x00FF00));
    const size_t heardBefore = s.heard.size();
    QVERIFY(s.RunToEnd());
    QCOMPARE(s.sink.ended, 1);
    QCOMPARE(s.heard.size(), heardBefore);  // nothing more is pushed
  }

  void busyPumpIsNoStalledMixer() {
    Stage s;
    QVERIFY(s.Open());
    QVERIFY(s.Play("cinepak-pcm.avi", 0, 0, 640, 480));
    // The pump comes back two seconds late to find all it queued heard:
    // the sound goes on, and the pictures stay with it.
    s.wallMs = 1000 + 2000;
    s.playedFrames = static_cast<int64_t>(s.heard.size() / 2);
    QVERIFY(s.playedFrames >= 44100 / 4);
    s.Movie().Tick();
    QVERIFY(!s.soundStopped);
    QVERIFY(s.heard.size() / 2 > static_cast<size_t>(s.playedFrames));
    QVERIFY(NearColour(s.At(160, 240), test::SampleLeftColour(s.playedFrames * 1000 / 44100)));
  }

  void rectangleIsCutAtThePictureEdge() {
    Stage s;
    QVERIFY(s.Open());
    QVERIFY(s.Play("mpeg4.avi", 600, 440, 80, 60));
    QVERIFY(NearColour(s.At(620, 470), 0xFF0000));
    QVERIFY(NearColour(s.At(639, 479), 0xFF0000));
    QCOMPARE(s.At(599, 470), 0x000000u);
    QCOMPARE(s.At(620, 439), 0x000000u);
  }

  void emptyRectanglePlaysWithNothingDrawn() {
    struct Row {
      int x, y, w, h;
    } rows[] = {{0, 0, 0, 0},
                {10, 10, -64, 48},
                {10, 10, 64, 0},
                {640, 0, 64, 48},
                {0, 480, 64, 48},
                {-64, -48, 64, 48},
                {-2000000000, 0, 64, 48},
                {0, 2000000000, 2000000000, 48}};
    for (const Row& r : rows) {
      Stage s;
      QVERIFY(s.Open());
      QVERIFY(s.Play("mpeg4.avi", r.x, r.y, r.w, r.h));
      const QImage shot = s.Window()->grab().toImage();
      QCOMPARE(test::CountPixels(shot, 0x000000), shot.width() * shot.height());
      QVERIFY(s.RunToEnd());
      QCOMPARE(s.sink.ended, 1);
    }
  }

  void hugeRectangleShowsItsCornerOfTheMovie() {
    Stage s;
    QVERIFY(s.Open());
    // The movie is ten pictures wide; the picture sees the top left of its
    // left half.
    QVERIFY(s.Play("mpeg4.avi", 0, 0, 6400, 4800));
    QVERIFY(NearColour(s.At(320, 240), 0xFF0000));
  }

  void refusedMovieLeavesThePicture() {
    Stage s;
    QVERIFY(s.Open());
    for (const char* file : {"missing.avi", "sound-only.avi", "make.sh"}) {
      QVERIFY2(!s.Play(file, 0, 0, 640, 480), file);
      QVERIFY(!s.Movie().Playing());
      QCOMPARE(s.At(320, 240), kPictureColour);
    }
    QCOMPARE(s.sink.ended, 0);
  }

  void newMovieReplacesThePlayingOne() {
    Stage s;
    QVERIFY(s.Open());
    QVERIFY(s.Play("cinepak-pcm.avi", 0, 0, 320, 240));
    QVERIFY(s.Play("mpeg4.avi", 320, 240, 320, 240));
    QVERIFY(s.soundStopped);
    QCOMPARE(s.At(80, 120), 0x000000u);
    QVERIFY(NearColour(s.At(400, 360), 0xFF0000));
  }
};

KORVANA_GUI_TEST(MovieTest);

#include "MovieTest.moc"
