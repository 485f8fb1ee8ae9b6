// The fuzz input as a NUL-terminated text in a buffer of exactly its size,
// so that AddressSanitizer stops any scan that passes the terminator.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace fuzz {

class ExactText {
 public:
  // The bytes before the first NUL of the input.
  ExactText(const std::uint8_t* data, std::size_t size)
      : length_(std::find(data, data + size, 0) - data), bytes_(new char[length_ + 1]) {
    std::memcpy(bytes_.get(), data, length_);
    bytes_[length_] = '\0';
  }
  const char* get() const { return bytes_.get(); }
  std::size_t size() const { return length_; }

 private:
  std::size_t length_;
  std::unique_ptr<char[]> bytes_;
};

// A broken invariant: libFuzzer reports it as a crash and keeps the input.
#define FUZZ_CHECK(condition) \
  do {                        \
    if (!(condition)) std::abort(); \
  } while (false)

}  // namespace fuzz
