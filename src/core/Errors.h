#pragma once
// How every subsystem reports a script error. The user sees the error's own
// message box, then the terminate-or-continue question; after "continue" the
// caller goes on with its fallback value.
#include <stdexcept>
#include <string>

namespace korvana {

class ErrorSink {
 public:
  virtual ~ErrorSink() = default;
  // Shows `message` (CP932) in an OK box with an exclamation icon and no
  // caption, then passes it to ReportScriptError.
  virtual void ScriptError(const std::string& message) = 0;
  // The terminate-or-continue question alone. Answering "terminate" does not
  // return (it unwinds with EngineExit).
  virtual void ReportScriptError(const std::string& message) = 0;
};

// An error that ends the current script run through the exception path: it is
// shown in the standard exception box and then reported. The message is CP932.
class ScriptException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Unwinds the whole engine to end the program. `save` says whether the
// settings, global flags and read-text record are written first.
struct EngineExit {
  int code = 0;
  bool save = false;
};

}  // namespace korvana
