#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "backends/linux/LinuxVolumes.h"
#include "config/DataDrive.h"
#include "config/Settings.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"

namespace korvana::config {
namespace {

using test::TempDir;

Volume Hdd(std::string root, std::string label) {
  return {std::move(root), std::move(label), false, true};
}
Volume Cd(std::string root, std::string label, bool medium = true) {
  return {std::move(root), std::move(label), true, medium};
}

TEST(DataDrive, SearchTakesTheFirstMatchingDriveInItsOrder) {
  const std::vector<Volume> mixed = {
      Hdd("/", "system"),
      Cd("/media/me/EMPTY", "EMPTY", false),
      Hdd("/media/me/USBSTICK", "UsbStick"),
      Cd("/media/me/GAMEDISC", "GameDisc"),
      Cd("/media/me/SECOND", "SECOND"),
  };
  struct Case {
    const char* name;
    std::vector<Volume> volumes;
    std::string label;
    bool all;
    std::string expected;
  } cases[] = {
      {"star takes the first optical drive with a medium", mixed, "*", false,
       "/media/me/GAMEDISC/"},
      {"star also with all drives", mixed, "*", true, "/media/me/GAMEDISC/"},
      {"star with only hard disks and all drives matches nothing",
       {Hdd("/", "system"), Hdd("/data", "DATA")},
       "*",
       true,
       ""},
      {"star without any volume", {}, "*", false, ""},
      {"label of a disc, other case", mixed, "GAMEDISC", false, "/media/me/GAMEDISC/"},
      {"label in lower case asked for", mixed, "gamedisc", false, "/media/me/GAMEDISC/"},
      {"later disc by label", mixed, "second", false, "/media/me/SECOND/"},
      {"a hard disk needs all drives", mixed, "USBSTICK", false, ""},
      {"a hard disk with all drives", mixed, "USBSTICK", true, "/media/me/USBSTICK/"},
      {"the root file system with all drives", mixed, "SYSTEM", true, "/"},
      {"no medium: skipped even when the label matches", mixed, "EMPTY", true, ""},
      {"no such label", mixed, "OTHER", true, ""},
      {"an empty entry ends the list",
       {Hdd("/a", "A"), Volume{}, Cd("/media/me/GAMEDISC", "GameDisc")},
       "GAMEDISC",
       true,
       ""},
      {"empty label searches nothing", mixed, "", true, ""},
      {"a root ending in a slash keeps one", {Cd("/mnt/cd/", "X")}, "X", false, "/mnt/cd/"},
      {"a volume without a label never matches a label", {Cd("/mnt/cd", "")}, "X", false, ""},
      {"Japanese labels",
       {Cd("/media/me/ゲーム", "ゲーム")},
       J("ゲーム"),
       false,
       J("/media/me/ゲーム/")},
      {"full-width letters are not folded", {Cd("/m", "ＧＡＭＥ")}, J("ｇａｍｅ"), false, ""},
      {"a root CP932 cannot spell is passed over",
       {Cd("/media/me/😀", "G"), Cd("/media/me/G2", "G")},
       "G",
       false,
       "/media/me/G2/"},
      {"a root with a backslash is passed over",
       {Cd("/media/a\\b", "G"), Cd("/media/c", "G")},
       "G",
       false,
       "/media/c/"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SearchDataDrive(c.volumes, c.label, c.all), c.expected) << c.name;
}

TEST(DataDrive, FindDataPathSearchesOnlyWithALabel) {
  int calls = 0;
  auto lister = [&calls] {
    ++calls;
    return std::vector<Volume>{Cd("/media/cd", "DISC")};
  };
  Settings s;
  s.DataPath = "E:\\data\\";  // ForceDataDrivePath left the label empty
  FindDataPath(s, lister);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(s.DataPath, "E:\\data\\");

  s.DataDriveLabel = "disc";
  FindDataPath(s, lister);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(s.DataPath, "/media/cd/");

  s.DataDriveLabel = "nothing";
  FindDataPath(s, lister);
  EXPECT_EQ(s.DataPath, "");  // no match: DataPath stays empty

  s.DataDriveLabel = "HDD";
  s.EnableAllDrive = true;
  FindDataPath(s, [] { return std::vector<Volume>{Hdd("/mnt/hdd", "hdd")}; });
  EXPECT_EQ(s.DataPath, "/mnt/hdd/");
}

TEST(DataDrive, TheFoundRootWorksWithTheResolver) {
  TempDir volume;
  volume.Write("BG/Title.BMP", "picture");
  volume.Write("ゲーム/開始.txt", "script");
  std::string dataPath = SearchDataDrive({Cd(volume.str(), "GAME")}, "game", false);
  ASSERT_EQ(dataPath, cp932::FromUtf8(volume.str()) + "/");
  std::string resolved = ResolveScriptPath("%DATA_DRIVE%bg\\title.bmp", dataPath);
  EXPECT_EQ(resolved, volume.str() + "/BG/Title.BMP");
  EXPECT_TRUE(FileExists(resolved));
  EXPECT_TRUE(FileExists(ResolveScriptPath(J("%DATA_DRIVE%ゲーム\\開始.txt"), dataPath)));
  // Only the first token is replaced.
  EXPECT_EQ(ExpandDataDrive("%DATA_DRIVE%a%DATA_DRIVE%b", dataPath), dataPath + "a%DATA_DRIVE%b");
  // No match: the names start with what follows the token.
  EXPECT_EQ(ExpandDataDrive("%DATA_DRIVE%bg\\a.bmp", ""), "bg\\a.bmp");
}

// --- the real list on Linux --------------------------------------------------

struct FakeSystem {
  TempDir dir;
  VolumeSources sources;
  FakeSystem() {
    sources.mountinfo = dir.str() + "/mountinfo";
    sources.sysDevBlock = dir.str() + "/sys/dev/block";
    sources.udevData = dir.str() + "/run/udev/data";
    sources.byLabel = dir.str() + "/dev/disk/by-label";
    std::filesystem::create_directories(sources.sysDevBlock);
    std::filesystem::create_directories(sources.udevData);
    std::filesystem::create_directories(sources.byLabel);
  }
  std::string Mount(const std::string& name) {
    std::filesystem::create_directories(dir.path() / "mnt" / name);
    return dir.str() + "/mnt/" + name;
  }
};

TEST(LinuxVolumes, ReadsMountsLabelsAndOpticalDrives) {
  FakeSystem sys;
  std::string root = sys.Mount("root");
  std::string disc = sys.Mount("GAME DISC");
  std::string usb = sys.Mount("usb");
  std::string image = sys.Mount("image");
  std::string dvd = sys.Mount("dvd");
  std::string bind = sys.Mount("bind");
  std::string jp = sys.Mount("jp");
  auto esc = [](std::string s) {  // mountinfo spells a space "\040"
    std::string out;
    for (char c : s) out += c == ' ' ? std::string("\\040") : std::string(1, c);
    return out;
  };
  sys.dir.Write("mountinfo",
                "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
                "24 27 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw\n"
                "27 1 8:1 / " +
                    root +
                    " rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                    "40 27 8:1 /var/lib/x " +
                    bind +
                    " rw - ext4 /dev/sda1 rw\n"
                    "41 27 11:0 / " +
                    esc(disc) +
                    " ro,nosuid shared:5 master:1 - iso9660 /dev/sr0 ro\n"
                    "42 27 8:17 / " +
                    usb +
                    " rw - vfat /dev/sdb1 rw\n"
                    "43 27 7:3 / " +
                    image +
                    " ro - udf /dev/loop3 ro\n"
                    "44 27 8:32 / " +
                    dvd +
                    " ro - udf /dev/sdc ro\n"
                    "45 27 8:48 / " +
                    jp +
                    " ro - vfat /dev/sdd rw\n"
                    "46 27 0:50 / /mnt/tmp rw - tmpfs tmpfs rw\n"
                    "garbage line\n"
                    "47 27 8:64 / /not/mounted/here rw - ext4 /dev/sde rw");
  // Labels: udev's encoded label, its plain label, and by-label links.
  sys.dir.Write("run/udev/data/b11:0",
                "S:disk/by-label/GAME\\x20DISC\nE:ID_FS_LABEL=GAME_DISC\n"
                "E:ID_FS_LABEL_ENC=GAME\\x20DISC\nE:ID_CDROM=1\n");
  sys.dir.Write("run/udev/data/b8:17", "E:ID_FS_LABEL=USBSTICK\n");
  std::filesystem::create_symlink("/dev/loop3", sys.dir.path() / "dev/disk/by-label/IMAGE");
  std::filesystem::create_symlink("/dev/sdd", sys.dir.path() / "dev/disk/by-label/\\xe3\\x83\\x87");
  std::filesystem::create_symlink("/dev/sdz", sys.dir.path() / "dev/disk/by-label/OTHER");
  // sysfs: a DVD drive whose device is not on major 11 says type 5.
  sys.dir.Write("sys/dev/block/8:32/device/type", "5\n");
  sys.dir.Write("sys/dev/block/8:17/device/type", "0\n");

  std::vector<Volume> v = ReadMountedVolumes(sys.sources);
  ASSERT_EQ(v.size(), 7u);
  auto expect = [&](size_t i, const std::string& rootPath, const std::string& label, bool optical,
                    bool medium) {
    EXPECT_EQ(v[i].root, rootPath) << i;
    EXPECT_EQ(v[i].label, label) << i;
    EXPECT_EQ(v[i].isOptical, optical) << i;
    EXPECT_EQ(v[i].hasMedium, medium) << i;
  };
  expect(0, root, "", false, true);  // the bind mount of the same device is left out
  expect(1, disc, "GAME DISC", true, true);
  expect(2, usb, "USBSTICK", false, true);
  expect(3, image, "IMAGE", true, true);  // a mounted disc image
  expect(4, dvd, "", true, true);
  expect(5, jp, "デ", false, true);
  expect(6, "/not/mounted/here", "", false, false);

  EXPECT_EQ(SearchDataDrive(v, "*", false), cp932::FromUtf8(disc) + "/");
  EXPECT_EQ(SearchDataDrive(v, "game disc", false), cp932::FromUtf8(disc) + "/");
  EXPECT_EQ(SearchDataDrive(v, "usbstick", false), "");
  EXPECT_EQ(SearchDataDrive(v, "usbstick", true), usb + "/");
  EXPECT_EQ(SearchDataDrive(v, J("デ"), true), jp + "/");
}

TEST(LinuxVolumes, PrefersTheMountOfTheFileSystemRoot) {
  FakeSystem sys;
  std::string sub = sys.Mount("sub"), whole = sys.Mount("whole");
  sys.dir.Write("mountinfo", "1 0 8:1 /folder " + sub +
                                 " rw - ext4 /dev/sda1 rw\n"
                                 "2 0 8:1 / " +
                                 whole + " rw - ext4 /dev/sda1 rw\n");
  std::vector<Volume> v = ReadMountedVolumes(sys.sources);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].root, whole);
}

TEST(LinuxVolumes, UdisksMountPointsNameTheLabel) {
  FakeSystem sys;
  sys.dir.Write("mountinfo",
                "1 0 8:1 / /media/me/MY\\040GAME rw - vfat /dev/sdb1 rw\n"
                "2 0 8:2 / /run/media/me/DISC2 ro - iso9660 /dev/sr1 ro\n"
                "3 0 8:3 / /media/cdrom rw - iso9660 /dev/sr2 ro\n"
                "4 0 8:4 / /media/me/a/b rw - vfat /dev/sdc1 rw\n");
  std::vector<Volume> v = ReadMountedVolumes(sys.sources);
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0].root, "/media/me/MY GAME");
  EXPECT_EQ(v[0].label, "MY GAME");
  EXPECT_EQ(v[1].label, "DISC2");
  EXPECT_EQ(v[2].label, "");  // not a udisks mount point
  EXPECT_EQ(v[3].label, "");
}

TEST(LinuxVolumes, NoMountTableMeansNoVolumes) {
  FakeSystem sys;
  EXPECT_TRUE(ReadMountedVolumes(sys.sources).empty());
  sys.dir.Write("mountinfo", std::string("\0\0\0", 3));
  EXPECT_TRUE(ReadMountedVolumes(sys.sources).empty());
}

TEST(LinuxVolumes, TheRealListIsWellFormed) {
  std::vector<Volume> v = ReadMountedVolumes();
  for (const Volume& volume : v) {
    EXPECT_FALSE(volume.root.empty());
    EXPECT_EQ(volume.root[0], '/');
  }
  // The search over it never fails, whatever this machine has mounted.
  SearchDataDrive(v, "*", true);
  SearchDataDrive(v, "KORVANA_NO_SUCH_LABEL", true);
}

TEST(LinuxVolumes, Unescaping) {
  EXPECT_EQ(UnescapeMountField("/media/a\\040b\\011c\\134d"), "/media/a b\tc\\d");
  EXPECT_EQ(UnescapeMountField("tail\\04"), "tail\\04");
  EXPECT_EQ(UnescapeMountField("\\"), "\\");
  EXPECT_EQ(UnescapeMountField("\\999"), "\\999");
  EXPECT_EQ(UnescapeUdev("GAME\\x20DISC\\x2f"), "GAME DISC/");
  EXPECT_EQ(UnescapeUdev("\\xe3\\x83\\x87"), "デ");
  EXPECT_EQ(UnescapeUdev("bad\\x2"), "bad\\x2");
  EXPECT_EQ(UnescapeUdev("bad\\xzz"), "bad\\xzz");
}

}  // namespace
}  // namespace korvana::config
