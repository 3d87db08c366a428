#pragma once
// The story's variables: 512 text-valued flags. 0-255 belong to the game in
// progress (saved with it), 256-511 to the player's installation.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace korvana {

class FlagStore {
 public:
  static constexpr int kCount = 512;
  static constexpr int kGameCount = 256;
  // A flag holds at most this many bytes: one line of script must not be able
  // to fill the memory by copying a huge text into all 512 flags.
  static constexpr size_t kMaxTextBytes = 64 * 1024;

  FlagStore() { Fill(0, kCount, "0"); }

  const std::string& Get(int index) const { return flags_[index]; }
  // False when the text was longer than kMaxTextBytes and was cut there (a
  // two-byte character is never split).
  bool Set(int index, std::string value) {
    const bool whole = Fit(value);
    flags_[index] = std::move(value);
    kinds_[index] = Kind::Unknown;
    return whole;
  }
  // The decimal text of `value`, written into the flag's own storage.
  void SetNumber(int index, int32_t value);

  // The numeric view: empty text is 0, otherwise the text as a signed 32-bit
  // decimal integer; nothing when the text is not such a number.
  std::optional<int32_t> Numeric(int index) const;

  // One half of the table: the game flags (from 0) or the global ones (from
  // kGameCount), as the save files hold them.
  using Half = std::array<std::string, kGameCount>;
  Half CopyHalf(int from) const {
    Half half;
    for (int i = 0; i < kGameCount; ++i) half[i] = flags_[from + i];
    return half;
  }
  void SetHalf(int from, const Half& half) {
    for (int i = 0; i < kGameCount; ++i) Set(from + i, half[i]);
  }

  // Game flags 0-255 to "0" (start script chosen, return to title).
  void ResetGameFlags() { Fill(0, kGameCount, "0"); }
  // `_flgclear`: range 0 game flags, 1 global flags, 2 all; other ranges
  // change nothing. False when the text had to be cut.
  bool Clear(int32_t range, std::string value);
  // Cuts `text` to kMaxTextBytes; false when it had to.
  static bool Fit(std::string& text);

  // Click flag of `_flgclick`: a flag index, or -1 for none.
  int clickFlag = -1;

 private:
  void Fill(int from, int to, const std::string& value) {
    for (int i = from; i < to; ++i) {
      flags_[i] = value;
      kinds_[i] = Kind::Unknown;
    }
  }
  std::array<std::string, kCount> flags_;
  // Expressions read the same flags over and over: each text is read as a
  // number once, until it changes.
  enum class Kind : uint8_t { Unknown, Number, NotNumber };
  mutable std::array<Kind, kCount> kinds_{};
  mutable std::array<int32_t, kCount> numbers_{};
};

// Converts text as a signed 32-bit decimal integer: optional sign, digits,
// nothing else; nothing on overflow.
std::optional<int32_t> ParseDecimal32(const std::string& text);

}  // namespace korvana
