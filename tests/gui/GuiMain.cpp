// The main of the GUI test program: QTEST_MAIN allows one class per
// program, and the shell has several. A class named on the command line
// ("SlotDialogTest") runs whole, so that ctest runs each class as a test of
// its own; test functions named ("name", "name:tag" or "Class::name") go to
// the class that has them.
#include <QApplication>
#include <QMetaMethod>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <set>
#include <vector>

#include "Application.h"
#include "GuiTests.h"

namespace korvana::test {
namespace {

std::vector<GuiTestFactory>& Registry() {
  static std::vector<GuiTestFactory> factories;
  return factories;
}

bool IsTestFunction(const QMetaMethod& m) {
  static const std::set<QByteArray> fixtures = {"initTestCase", "cleanupTestCase", "init",
                                                "cleanup"};
  return m.methodType() == QMetaMethod::Slot && m.access() == QMetaMethod::Private &&
         m.parameterCount() == 0 && !fixtures.count(m.name());
}

bool HasFunction(const QMetaObject* meta, const QByteArray& name) {
  for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
    if (IsTestFunction(meta->method(i)) && meta->method(i).name() == name) return true;
  return false;
}

// Options of Qt Test that take the next word as their value.
bool TakesValue(const QByteArray& option) {
  static const std::set<QByteArray> options = {
      "-o",        "-maxwarnings", "-eventdelay", "-keydelay",     "-mousedelay",
      "-seed",     "-iterations",  "-median",     "-minimumvalue", "-minimumtotal",
      "-platform", "-perfcounter"};
  return options.count(option) > 0;
}

// The command line for one class: every option, and only the function
// names it has. Empty when names were given and none is this class's.
std::vector<char*> ArgumentsFor(const QMetaObject* meta, int argc, char** argv) {
  std::vector<char*> args{argv[0]};
  bool named = false, mine = false;
  for (int i = 1; i < argc; ++i) {
    const QByteArray arg = argv[i];
    if (arg.startsWith('-')) {
      args.push_back(argv[i]);
      if (TakesValue(arg) && i + 1 < argc) args.push_back(argv[++i]);
      continue;
    }
    named = true;
    if (arg == meta->className()) {
      mine = true;
      continue;
    }
    QByteArray name = arg;
    const QByteArray prefix = QByteArray(meta->className()) + "::";
    if (name.startsWith(prefix)) name = name.mid(prefix.size());
    const qsizetype tag = name.indexOf(':');
    if (HasFunction(meta, tag < 0 ? name : name.left(tag))) {
      args.push_back(argv[i] + (arg.size() - name.size()));
      mine = true;
    }
  }
  if (named && !mine) return {};
  return args;
}

}  // namespace

void ClearQuit() {
  QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

bool RegisterGuiTest(GuiTestFactory factory) {
  Registry().push_back(std::move(factory));
  return true;
}

}  // namespace korvana::test

int main(int argc, char** argv) {
  using namespace korvana::test;
  // The user's own configuration and pictures stay out of every test: what
  // the program reads and writes there goes to a folder of this run.
  QTemporaryDir userFolders;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(userFolders.filePath("config")));
  qputenv("XDG_PICTURES_DIR", QFile::encodeName(userFolders.filePath("pictures")));
  // The program's own application: Japanese texts and the error handler.
  korvana::Application app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  // Windows closed by one test must not end the event loops of the next.
  QApplication::setQuitOnLastWindowClosed(false);
  const bool list = std::any_of(argv + 1, argv + argc,
                                [](const char* a) { return QByteArray(a) == "-functions"; });
  int failed = 0, ran = 0;
  for (const auto& make : Registry()) {
    std::unique_ptr<QObject> tests = make();
    const QMetaObject* meta = tests->metaObject();
    if (list) {
      for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
        if (IsTestFunction(meta->method(i)))
          std::printf("%s::%s()\n", meta->className(), meta->method(i).name().constData());
      continue;
    }
    std::vector<char*> args = ArgumentsFor(meta, argc, argv);
    if (args.empty()) continue;
    ClearQuit();
    ++ran;
    failed += QTest::qExec(tests.get(), int(args.size()), args.data());
  }
  // A class or function named that nothing has must not pass unnoticed.
  if (!list && ran == 0) {
    std::fprintf(stderr, "test_gui: no test class runs what the command line names\n");
    return 1;
  }
  return failed == 0 ? 0 : 1;
}
