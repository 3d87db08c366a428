#pragma once
// The scene the save and page-step benchmarks restore: a background, three
// objects masked three ways, an effect and a sprite sheet.
#include <cstdio>
#include <filesystem>
#include <string>

#include "graphics/Picture.h"

namespace korvana::bench {

// Writes the scene's pictures into `dir` and returns the script lines that
// show it (CP932, CR LF), `_textwait 0` first.
inline std::string WriteFullScene(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  WritePng(Picture(640, 480, 0x336699), (dir / "bg.png").string());
  Picture object(200, 300, 0xCC8844);
  object.FillRect(0, 0, 20, 20, 0x00FF00);
  WritePng(object, (dir / "obj.png").string());
  WritePng(Picture(200, 300, 0), (dir / "mask.png").string());
  WritePng(Picture(640, 480, 0x202020), (dir / "fx.png").string());
  WritePng(Picture(128, 64, 0xFF00FF), (dir / "spr.png").string());
  return "_textwait 0\r\n_bgload bg.png\r\n"
         "_objload 0,obj.png,#00FF00\r\n_objset 0,1,10,10\r\n"
         "_objload 1,obj.png,mask.png\r\n_objset 1,1,220,10\r\n"
         "_objload 2,obj.png,#TOP_LEFT\r\n_objset 2,1,430,10\r\n"
         "_efload fx.png,#000000,0\r\n_efset 1,#SCREEN,0,0,1\r\n"
         "_sprload spr.png,32,32,#FF00FF\r\n_sprput 0,10,10\r\n_refresh\r\n";
}

inline void WriteScript(const std::filesystem::path& dir, const std::string& script) {
  std::FILE* f = std::fopen((dir / "autorun.txt").c_str(), "wb");
  std::fwrite(script.data(), 1, script.size(), f);
  std::fclose(f);
}

}  // namespace korvana::bench
