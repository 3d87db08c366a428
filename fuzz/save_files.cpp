// The readers of the save files on arbitrary bytes: never a fault; a status
// file they accept writes back to the same bytes the writer makes of it; a
// refused one leaves the save point as it was.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "save/SaveFiles.h"

using namespace korvana;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  SavePoint point;
  point.prog.ProgChapter = "before";
  if (ParseStatusFile(bytes, point)) {
    SavePoint again;
    if (!ParseStatusFile(StatusFileBytes(point), again) ||
        StatusFileBytes(again) != StatusFileBytes(point))
      std::abort();
  } else if (point.prog.ProgChapter != "before") {
    std::abort();
  }
  if (auto pages = ParseLogFile(bytes)) {
    if (pages->size() > 15) std::abort();
    auto again = ParseLogFile(LogFileBytes(*pages));
    if (!again || *again != *pages) {
      // A page line that holds a tab reads as a page break: not a fault of
      // the reader, the writer never writes one.
      for (const auto& page : *pages)
        for (const auto& line : page)
          if (line.find('\t') != std::string::npos) return 0;
      std::abort();
    }
  }
  std::array<std::string, FlagStore::kGameCount> flags;
  ParseFlagFile(bytes, flags);
  return 0;
}
