#pragma once
// Starting or moving the story somewhere other than where it would be, for
// authors: a place named on the command line (a label, or a script and a
// line) and the labels of every script of a game.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace korvana {

class Engine;
class GameFiles;

// A line of a script to run first.
struct ScriptPlace {
  std::string file;  // as the engine names scripts (CP932, relative to the game)
  int32_t line = 0;  // 0-based index
};

// Every ".txt" and ".txd" file under `folder` (UTF-8; recursively), in name
// order, relative to it.
std::vector<std::string> ScriptFilesUnder(const std::string& folder);

// Every label of every script under the game folder (files in name order,
// labels in line order); a script that cannot be read has none.
std::vector<DebugLabel> GameLabels(const GameFiles& files, int32_t key);

// The place `spec` (UTF-8) names: "FILE:LINE" (LINE 1-based, FILE relative
// to the game folder) runs that line first; anything else is a label (the
// ":" may be left out) whose next line runs first. A label is looked for in
// `startScript` (CP932) first, then in every other script; one that several
// other scripts have is ambiguous. Nothing, with `error` saying why, for a
// place that is not there.
std::optional<ScriptPlace> FindWarpPlace(const std::string& spec, const GameFiles& files,
                                         int32_t key, const std::string& startScript,
                                         std::string& error);

// What both hosts do with `--warp SPEC` and `--flags FILE` (either may be
// empty) once the game's configuration is read: the place found and the
// flags read are handed to `engine` for its start. False, with `error`
// for the author, when either cannot be taken; nothing is handed then.
bool PrepareStartPlace(Engine& engine, const std::string& spec, const std::string& flagsFile,
                       std::string& error);

}  // namespace korvana
