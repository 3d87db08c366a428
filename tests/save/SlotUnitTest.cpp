// A slot is one save or the other, never a mix: whatever stops a save (a
// crash at any step, a kill at any moment, a full disk, a failed sync), the
// next start finds every file of the slot from the same save. And nothing the
// game folder holds can turn a save against the player's own files.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <random>

#include "GameRun.h"
#include "TempDir.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "save/SaveFiles.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;
using Extensions = std::vector<std::string>;
// A save of this version: the three files and the picture.
const Extensions kSlotExtensions = {".hfd", ".hsd", ".hld", ".png"};
// A save of a version without pictures.
const Extensions kOlderExtensions = {".hfd", ".hsd", ".hld"};

// The files of slot 1, each carrying the save's number; the log is long
// enough to take more than one block.
FileBatch SlotSave(const std::string& dir, int generation, size_t logBytes = 6000,
                   const Extensions& extensions = kSlotExtensions) {
  FileBatch batch;
  for (const std::string& ext : extensions)
    batch.Add(dir + "/data1" + ext, "save " + std::to_string(generation) + " " + ext + " " +
                                        std::string(ext == ".hld" ? logBytes : 40, 'x'));
  batch.record = dir + "/data1.commit";
  return batch;
}

// Which save slot 1 holds: -1 when its files come from different saves or
// one is missing.
int SlotGeneration(const std::string& dir, const Extensions& extensions = kSlotExtensions) {
  int found = 0;
  for (const std::string& ext : extensions) {
    const std::optional<std::string> bytes = ReadWholeFile(dir + "/data1" + ext);
    if (!bytes || bytes->rfind("save ", 0) != 0) return -1;
    const int g = std::stoi(bytes->substr(5));
    if (found != 0 && g != found) return -1;
    found = g;
  }
  return found;
}

// What a save leaves beside the slot that is not the slot.
std::vector<std::string> Leftovers(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.find(".tmp") != std::string::npos || name.find(".commit") != std::string::npos)
      out.push_back(name);
  }
  return out;
}

TEST(SlotUnit, ACrashAtAnyStepLeavesOneSaveAfterTheNextStart) {
  // A record names the files of this version's save (with its picture) or
  // of an older one's (without); either is completed at the next start.
  for (const Extensions& files : {kSlotExtensions, kOlderExtensions}) {
    const int n = static_cast<int>(files.size());
    // Steps: n writes, the record, n renames, the record's removal.
    for (int stop = 0; stop <= 2 * n + 2; ++stop) {
      test::TempDir dir;
      ASSERT_TRUE(SlotSave(dir.str(), 1, 6000, files).Commit());
      FileBatch second = SlotSave(dir.str(), 2, 6000, files);
      second.failAt = [stop](int step) { return step != stop; };
      EXPECT_EQ(second.Commit(), stop == 2 * n + 2) << n << " files, stop " << stop;
      RecoverSlotFiles(dir.str() + "/data1.commit", 1);
      // Decided once the record is in place, which is after step n.
      EXPECT_EQ(SlotGeneration(dir.str(), files), stop <= n ? 1 : 2) << n << " files, " << stop;
      EXPECT_TRUE(SlotSave(dir.str(), 3, 6000, files).CommitSlot(1)) << stop;
      EXPECT_EQ(SlotGeneration(dir.str(), files), 3) << stop;
      EXPECT_EQ(Leftovers(dir.str()), std::vector<std::string>{}) << stop;
    }
  }
}

TEST(SlotUnit, AFileThatFailsToSyncReplacesNothing) {
  // The fifth sync is the commit record's.
  for (int failing = 0; failing < 5; ++failing) {
    test::TempDir dir;
    ASSERT_TRUE(SlotSave(dir.str(), 1).Commit());
    FileBatch second = SlotSave(dir.str(), 2);
    second.write.syncFile = [failing, n = 0](int fd) mutable {
      return n++ != failing && ::fsync(fd) == 0;
    };
    EXPECT_FALSE(second.Commit()) << failing;
    EXPECT_EQ(second.failed, failing < 4 ? failing : 0) << failing;
    EXPECT_EQ(SlotGeneration(dir.str()), 1) << failing;
    EXPECT_EQ(Leftovers(dir.str()), std::vector<std::string>{}) << failing;
  }
}

TEST(SlotUnit, KilledAtRandomMomentsEverySlotIsOneSave) {
  test::TempDir dir;
  ASSERT_TRUE(SlotSave(dir.str(), 1).Commit());
  std::mt19937 random(20);
  int midRenames = 0;
  constexpr int kKills = 120;
  for (int kill = 1; kill <= kKills; ++kill) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int g = kill * 1000;; ++g) SlotSave(dir.str(), g).CommitSlot(1);
    }
    ::usleep(std::uniform_int_distribution<useconds_t>(500, 12000)(random));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    midRenames += fs::exists(dir.path() / "data1.commit");
    RecoverSlotFiles(dir.str() + "/data1.commit", 1);
    ASSERT_GT(SlotGeneration(dir.str()), 0) << "after kill " << kill;
  }
  std::cout << kKills << " kills, " << midRenames << " during the renames\n";
}

// A small file system of its own, in a mount namespace of this process's
// child, so that nothing is left mounted whatever happens.
bool MountSmallDisk(const std::string& at) {
  if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
  if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  return ::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=64k") == 0;
}

TEST(SlotUnit, AFullDiskAtEveryFreeSizeLeavesOneSave) {
  test::TempDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!MountSmallDisk(dir.str())) ::_exit(77);
    int faults = 0, saved = 0, refused = 0;
    const std::string d = dir.str();
    // A save needs room for its four new files and the record while the
    // old files still stand: on this file system, where every file takes
    // whole pages of 4 KB, that is 20 KB, so the sweep goes on past it.
    for (int free = 0; free <= 24 * 1024; free += 512) {
      for (const auto& e : fs::directory_iterator(d)) fs::remove(e.path());
      if (!SlotSave(d, 1).Commit()) ++faults;
      // The filler leaves `free` bytes (the file system counts in pages).
      struct statvfs vfs;
      ::statvfs(d.c_str(), &vfs);
      const int64_t available = static_cast<int64_t>(vfs.f_bavail) * vfs.f_frsize;
      const std::string filler(static_cast<size_t>(std::max<int64_t>(0, available - free)), 'f');
      FILE* f = std::fopen((d + "/filler").c_str(), "wb");
      std::fwrite(filler.data(), 1, filler.size(), f);
      std::fclose(f);
      const bool ok = SlotSave(d, 2).CommitSlot(1);
      const int now = SlotGeneration(d);
      if (now != (ok ? 2 : 1)) ++faults;
      faults += static_cast<int>(Leftovers(d).size());
      ++(ok ? saved : refused);
    }
    std::fprintf(stderr, "%d saved, %d refused, %d faults\n", saved, refused, faults);
    // Both outcomes must have been met, or the sizes tried prove nothing.
    ::_exit(faults == 0 && saved > 0 && refused > 0 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no small file system can be mounted here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A game folder ships names where the save's temporary files would go: links
// to the player's files and a FIFO. The save, the global data and krv.ini
// are written all the same, and nothing outside the game changes.
TEST(SlotUnit, NamesPlantedInTheGameFolderAreNeverWrittenThrough) {
  test::TempDir outside;
  const std::string victim = outside.Write("bashrc", "the player's own file\n");
  test::GameRun run({.slotChoices = {"1"}});
  run.File("krv.cfg", "SavePath=.\\\r\nTextMaxIndex=4\r\n");
  run.Script({"_textwait 0", "!the title", "~00000001a page&", "_winsave", "_winexit"});
  const fs::path game = run.dir().path();
  for (const char* name : {"data1.hsd.tmp", "data0.hfd.tmp", "textid.dat.tmp", "krv.ini.tmp",
                           "data1.hld", "data1.commit"})
    fs::create_symlink(victim, game / name);
  ASSERT_EQ(::mkfifo((game / "data1.hfd.tmp").c_str(), 0644), 0);
  EXPECT_EQ(run.RunPrepared(), 0);

  EXPECT_EQ(outside.Read("bashrc"), "the player's own file\n");
  for (const char* name : {"data1.hfd", "data1.hsd", "data1.hld", "data0.hfd", "textid.dat",
                           "krv.ini"})
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(game / name))) << name;
  EXPECT_EQ(run.dir().Read("data1.hsd").rfind("the title\r\n", 0), 0u);
  EXPECT_EQ(run.ErrorMessages(), std::vector<std::string>{});
  // What a crash could have left of the slot went with its save.
  for (const char* name : {"data1.hsd.tmp", "data1.hfd.tmp", "data1.commit"})
    EXPECT_FALSE(fs::exists(fs::symlink_status(game / name))) << name;
}

// One failed save is one report, naming the folder the player has to look
// at; the read-text record is named as what it is.
TEST(SlotUnit, AFailedSaveIsReportedOnceWithItsFolder) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> prepare;
    std::string message;
  };
  const Case cases[] = {
      {"a save folder that is not there", [](const fs::path&) {},
       "フラグデータ保存できず．．．\n{folder}/missing"},
      {"a folder where the status file goes",
       [](const fs::path& game) { fs::create_directories(game / "missing" / "data1.hsd"); },
       "ステータスデータ保存できず．．．\n{folder}/missing"},
      {"a folder where the read-text record goes",
       [](const fs::path& game) { fs::create_directories(game / "missing" / "textid.dat"); },
       "既読データ保存できず．．．\n{folder}/missing"},
      {"a folder where the picture of the save goes",
       [](const fs::path& game) { fs::create_directories(game / "missing" / "data1.png"); },
       "画像データ保存できず．．．\n{folder}/missing"},
  };
  for (const Case& c : cases) {
    EngineSettings settings;
    settings.savePath = "missing\\";
    settings.textMaxIndex = 4;
    test::GameRun run({.slotChoices = {"1"}}, settings);
    run.Script({"_textwait 0", "a page&", "_winsave", "_$flg[1]=1"});
    c.prepare(run.dir().path());
    EXPECT_EQ(run.Run(), 0) << c.what;
    std::string expected = c.message;
    expected.replace(expected.find("{folder}"), 8, run.dir().str());
    expected.replace(expected.find('\n'), 1, "\\n");  // as the transcript writes it
    EXPECT_EQ(run.ErrorMessages(), std::vector<std::string>{expected}) << c.what;
    EXPECT_EQ(run.Flag(1), "1") << c.what;
  }
}

}  // namespace
}  // namespace korvana
