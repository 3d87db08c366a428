#pragma once
// Which text lines have been read: one bit per text id, least significant
// bit first in each byte. It exists only when the game configures its size.
#include <cstdint>
#include <vector>

namespace korvana {

class ReadTextRecord {
 public:
  // `bytes` ≤ 0: no record. Ids that still fit keep their bits.
  void Create(int bytes) { bits_.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0, 0); }
  bool Exists() const { return !bits_.empty(); }
  // The id lies inside the record.
  bool Covers(int32_t id) const { return id >= 0 && static_cast<uint64_t>(id) < bits_.size() * 8; }
  bool IsRead(int32_t id) const { return Covers(id) && (bits_[id >> 3] >> (id & 7) & 1); }
  void MarkRead(int32_t id) {
    if (Covers(id)) bits_[id >> 3] = static_cast<uint8_t>(bits_[id >> 3] | 1u << (id & 7));
  }
  // The bytes a record file holds.
  std::vector<uint8_t>& Bytes() { return bits_; }
  const std::vector<uint8_t>& Bytes() const { return bits_; }

 private:
  std::vector<uint8_t> bits_;
};

}  // namespace korvana
