#pragma once
// Gives every field of a save point (or any group with a field list) its own
// value, walking the same field lists the save files use.
#include <array>
#include <cstdint>
#include <string>

#include "core/ProgState.h"

namespace korvana::test {

struct FieldFiller {
  int n = 0;
  void operator()(const char*, int32_t& v) { v = (++n % 2 ? 1 : -1) * (1000 + 7 * n); }
  void operator()(const char*, uint32_t& v) { v = 0x10000u + static_cast<uint32_t>(++n); }
  // Bytes and switches of a saved game are 0 or 1.
  void operator()(const char*, uint8_t& v) { v = ++n % 2; }
  void operator()(const char*, bool& v) { v = ++n % 2; }
  void operator()(const char*, std::string& v) { v = "v" + std::to_string(++n); }
  void operator()(const char*, MultiState& v) { v = MultiState::InText; }
  template <typename T, size_t N>
  void operator()(const char* name, std::array<T, N>& items) {
    for (T& item : items) (*this)(name, item);
  }
  template <typename T>
  requires requires(T& t, FieldFiller& f) { T::Fields(t, f); }
  void operator()(const char*, T& group) { T::Fields(group, *this); }
};

}  // namespace korvana::test
