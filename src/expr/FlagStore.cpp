#include "expr/FlagStore.h"

#include <charconv>
#include <limits>

namespace korvana {

std::optional<int32_t> ParseDecimal32(const std::string& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<int32_t> FlagStore::Numeric(int index) const {
  switch (kinds_[index]) {
    case Kind::Number:
      return numbers_[index];
    case Kind::NotNumber:
      return std::nullopt;
    case Kind::Unknown:
      break;
  }
  const std::string& text = flags_[index];
  const std::optional<int32_t> n = text.empty() ? 0 : ParseDecimal32(text);
  kinds_[index] = n ? Kind::Number : Kind::NotNumber;
  if (n) numbers_[index] = *n;
  return n;
}

void FlagStore::SetNumber(int index, int32_t value) {
  char digits[16];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  flags_[index].assign(digits, end);
  kinds_[index] = Kind::Number;
  numbers_[index] = value;
}

bool FlagStore::Fit(std::string& text) {
  if (text.size() <= kMaxTextBytes) return true;
  size_t end = 0;
  while (end < kMaxTextBytes) {
    const auto lead = static_cast<unsigned char>(text[end]);
    const size_t n = ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) ? 2 : 1;
    if (end + n > kMaxTextBytes) break;
    end += n;
  }
  text.resize(end);
  return false;
}

bool FlagStore::Clear(int32_t range, std::string value) {
  const bool whole = Fit(value);
  switch (range) {
    case 0:
      Fill(0, kGameCount, value);
      break;
    case 1:
      Fill(kGameCount, kCount, value);
      break;
    case 2:
      Fill(0, kCount, value);
      break;
    default:
      break;
  }
  return whole;
}

}  // namespace korvana
