// Shift-JIS byte classes for the markup scanners. A byte that follows a lead
// byte is the second half of a double-byte character and is never taken for
// markup, whatever its value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorn {

inline bool IsSjisLead(char c) {
  const auto b = static_cast<uint8_t>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Walks a string from its start and tells, for non-decreasing positions,
// whether the byte there is the second half of a double-byte character.
class TSjisWalker {
 public:
  explicit TSjisWalker(std::string_view s) : s_(s) {}
  bool IsTrail(size_t pos) {
    while (next_ < pos) next_ += IsSjisLead(s_[next_]) ? 2 : 1;
    return next_ > pos;
  }
  // Whether the byte at pos is the single-byte character c.
  bool Is(size_t pos, char c) { return pos < s_.size() && s_[pos] == c && !IsTrail(pos); }

 private:
  std::string_view s_;
  size_t next_ = 0;
};

// Follows a string that is being produced byte by byte.
class TSjisTracker {
 public:
  // Whether the next byte to come is the second half of a double-byte character.
  bool TrailNext() const { return trailNext_; }
  void Feed(char c) { trailNext_ = trailNext_ ? false : IsSjisLead(c); }

 private:
  bool trailNext_ = false;
};

}  // namespace vorn
