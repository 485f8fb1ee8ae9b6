// The marker every text stream and file record carries.
#pragma once

#include <cstdint>

namespace runtime {

// Any other value means the record was never bound by AssignName.
enum class OpenMode : std::uint32_t {
  kClosed = 0xD7B0,
  kInput = 0xD7B1,
  kOutput = 0xD7B2,
  kInputOutput = 0xD7B3,
};

inline bool IsOpen(OpenMode mode) {
  return mode == OpenMode::kInput || mode == OpenMode::kOutput ||
         mode == OpenMode::kInputOutput;
}

}  // namespace runtime
