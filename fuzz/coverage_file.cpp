// Coverage files and the report on arbitrary bytes: a coverage file is read
// back after every run and may have been damaged or written by hand. Never
// a fault; what is written reads back as the same text; no tally counts more
// than it has.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "FuzzFolder.h"
#include "core/FileWriting.h"
#include "script/Coverage.h"
#include "script/CoverageReport.h"
#include "script/ScriptFile.h"

using namespace korvana;
using korvana::fuzz::Check;
using korvana::fuzz::FuzzFolder;

namespace {

void CheckTally(const ScriptCoverage::Tally& t) {
  Check(t.reached >= 0 && t.reached <= t.total);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string text = in.ConsumeRandomLengthString(4096);
  const std::string script = in.ConsumeRemainingBytesAsString();

  std::string error;
  std::optional<Coverage> coverage = ParseCoverage(text, error);
  if (!coverage) {
    Check(!error.empty());
    coverage.emplace();
  }
  const std::string written = FormatCoverage(*coverage);
  const std::optional<Coverage> again = ParseCoverage(written, error);
  Check(again && FormatCoverage(*again) == written);

  // The report on the same counts over the script bytes as a game's start
  // script, as an author runs it.
  const std::string& folder = FuzzFolder();
  Check(WriteFileAtomically(folder + "/autorun.txt", script));
  const CoverageReport report = BuildCoverageReport(*coverage, folder, kDefaultScriptKey);
  for (const ScriptCoverage& s : report.scripts) {
    Check(s.kinds.size() == s.lines.size());
    CheckTally(s.text);
    CheckTally(s.labels);
    CheckTally(s.entries);
    CheckTally(s.ways);
  }
  CheckTally(report.text);
  CoverageReportText(report);
  CoverageReportHtml(report);
  return 0;
}
