#include "platform/character_rule.h"

namespace platform {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// What a UTF-8 lead byte announces; a byte that leads no sequence stands
// alone.
std::uint32_t AnnouncedLength(unsigned char byte) {
  return byte < 0xC0 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : byte < 0xF8 ? 4 : 1;
}

}  // namespace

std::uint32_t CharacterLength(const CharacterRule& rule, const char* text, std::uint32_t count) {
  const auto first = static_cast<unsigned char>(text[0]);
  if (rule.leadBytes[first]) return 2;
  if (!rule.utf8) return 1;
  const std::uint32_t announced = AnnouncedLength(first);
  std::uint32_t length = 1;
  while (length < announced && length < count &&
         IsContinuation(static_cast<unsigned char>(text[length]))) {
    ++length;
  }
  return length == count ? announced : length;
}

std::uint32_t WholeCharacters(const CharacterRule& rule, const char* text, std::uint32_t count) {
  std::uint32_t whole = 0;
  while (whole < count) {
    const std::uint32_t length = CharacterLength(rule, text + whole, count - whole);
    if (length > count - whole) break;
    whole += length;
  }
  return whole;
}

}  // namespace platform
