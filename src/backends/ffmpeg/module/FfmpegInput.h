#pragma once
// Files reach FFmpeg only through here, opened by the engine's rules: a
// regular file read through a descriptor of our own (FFmpeg's own opener
// would wait for ever on a FIFO), and nothing else reached from it, neither
// another file nor another protocol.
#include <memory>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace korvana {

struct InputClose {
  void operator()(AVFormatContext* format) const;
};
using InputPtr = std::unique_ptr<AVFormatContext, InputClose>;

// The file opened and its header read; null when it is no regular file or
// FFmpeg does not recognise it. The file name only helps FFmpeg guess the
// format by its extension.
InputPtr OpenInput(const std::string& path);

}  // namespace korvana
