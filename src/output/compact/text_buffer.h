#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace qzr2rin {

// Text written through a pointer: room is asked for once per piece, so that
// characters are stored without a capacity check each.
class TextBuffer {
 public:
  // Room for `n` more characters; valid until the next call to Room.
  char* Room(std::size_t n) {
    if (data_.size() - size_ < n) data_.resize(std::max(data_.size() * 2, size_ + n));
    return data_.data() + size_;
  }
  // Keeps what was written up to `end`, a pointer into the last room.
  void Commit(const char* end) { size_ = static_cast<std::size_t>(end - data_.data()); }
  std::string_view View() const { return {data_.data(), size_}; }
  void Clear() { size_ = 0; }

 private:
  std::vector<char> data_;
  std::size_t size_ = 0;
};

}  // namespace qzr2rin
