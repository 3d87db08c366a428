#include "core/Cp932.h"

#include <iconv.h>

#include <array>
#include <mutex>
#include <unordered_map>

namespace korvana::cp932 {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One table for the whole process, built once through iconv: index by
// (lead << 8 | trail) for two-byte characters, by the byte for single ones.
struct Table {
  std::array<char32_t, 256> single{};
  std::unordered_map<uint16_t, char32_t> pairs;
  std::unordered_map<char32_t, uint16_t> reverse;

  Table() {
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    auto convert = [&](const char* in, size_t len) -> char32_t {
      if (cd == reinterpret_cast<iconv_t>(-1)) return len == 1 && in[0] >= 0 ? in[0] : kReplacement;
      char inbuf[2] = {in[0], len > 1 ? in[1] : '\0'};
      char outbuf[8];
      char* ip = inbuf;
      char* op = outbuf;
      size_t il = len, ol = sizeof outbuf;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || ol != 4) return kReplacement;
      auto* u = reinterpret_cast<unsigned char*>(outbuf);
      return static_cast<char32_t>(u[0] | u[1] << 8 | u[2] << 16 | u[3] << 24);
    };
    for (int b = 0; b < 256; ++b) {
      if (IsLeadByte(static_cast<unsigned char>(b))) {
        single[b] = kReplacement;
        continue;
      }
      char c = static_cast<char>(b);
      single[b] = convert(&c, 1);
      if (single[b] != kReplacement) reverse.emplace(single[b], static_cast<uint16_t>(b));
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char32_t u = convert(pair, 2);
        if (u == kReplacement) continue;
        uint16_t code = static_cast<uint16_t>(lead << 8 | trail);
        pairs.emplace(code, u);
        reverse.emplace(u, code);  // first (lowest) code wins for duplicates
      }
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
};

const Table& GetTable() {
  static const Table table;
  return table;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

char32_t DecodeChar(unsigned char lead, unsigned char trail) {
  const Table& t = GetTable();
  if (!IsLeadByte(lead)) return t.single[lead];
  auto it = t.pairs.find(static_cast<uint16_t>(lead << 8 | trail));
  return it == t.pairs.end() ? kReplacement : it->second;
}

std::string ToUtf8(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  for (size_t i = 0; i < sjis.size();) {
    auto lead = static_cast<unsigned char>(sjis[i]);
    if (IsLeadByte(lead)) {
      if (i + 1 >= sjis.size()) {
        AppendUtf8(out, kReplacement);
        break;
      }
      AppendUtf8(out, DecodeChar(lead, static_cast<unsigned char>(sjis[i + 1])));
      i += 2;
    } else {
      AppendUtf8(out, DecodeChar(lead, 0));
      ++i;
    }
  }
  return out;
}

std::string FromUtf8(std::string_view utf8, bool* complete) {
  const Table& t = GetTable();
  std::string out;
  bool lost = false;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    char32_t c;
    size_t n;
    if (b < 0x80) {
      c = b, n = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F, n = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F, n = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07, n = 4;
    } else {
      out += '?';
      lost = true;
      ++i;
      continue;
    }
    if (i + n > utf8.size()) {
      out += '?';
      lost = true;
      break;
    }
    bool ok = true;
    for (size_t k = 1; k < n; ++k) {
      auto cb = static_cast<unsigned char>(utf8[i + k]);
      if ((cb & 0xC0) != 0x80) ok = false;
      c = c << 6 | (cb & 0x3F);
    }
    if (!ok) {
      out += '?';
      lost = true;
      ++i;
      continue;
    }
    i += n;
    auto it = t.reverse.find(c);
    if (it == t.reverse.end()) {
      out += '?';
      lost = true;
    } else if (it->second > 0xFF) {
      out += static_cast<char>(it->second >> 8);
      out += static_cast<char>(it->second & 0xFF);
    } else {
      out += static_cast<char>(it->second);
    }
  }
  if (complete) *complete = !lost;
  return out;
}

}  // namespace korvana::cp932
