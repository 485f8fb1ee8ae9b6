// Test movies: bytes that differ from their neighbours, so that a shifted or
// repeated copy shows, and the join the program must make of two of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fake {

inline std::string MovieBytes(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint32_t state = seed;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

// The first movie less its 16 closing bytes, then the second from byte 26.
inline std::string JoinedMovie(const std::string& first, const std::string& second) {
  return first.substr(0, first.size() > 16 ? first.size() - 16 : 0) +
         (second.size() > 26 ? second.substr(26) : "");
}

}  // namespace fake
