// The reader of WAV files in the mixer's own format on arbitrary bytes.
// Checks: no read or write outside a buffer (ASan); a file it takes gives
// whole stereo frames, never more than the file holds, and says how long.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzFolder.h"
#include "backends/PcmWavDecoder.h"

using namespace korvana;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::FuzzFolder() + "/sound.wav";
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const auto decoder = OpenPcmWavDecoder(path);
  if (!decoder) return 0;
  if (decoder->DurationMs() < 0) std::abort();
  std::vector<int16_t> samples;
  while (decoder->NextSound(samples)) {
    if (samples.size() * 2 > size) std::abort();
  }
  if (samples.size() % 2 != 0 || samples.size() * 2 > size) std::abort();
  return 0;
}
