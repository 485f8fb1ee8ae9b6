// Where the characters of a text in the program's code page end: a console
// shows whole characters only, and the text stream fills its buffer without
// regard to them.
#pragma once

#include <bitset>
#include <cstdint>

namespace platform {

// How a code page cuts text into characters. A single-byte code page has
// neither UTF-8 nor lead bytes: every byte is a character.
struct CharacterRule {
  // UTF-8: a lead byte announces how many continuation bytes follow it.
  bool utf8 = false;
  // A double-byte code page's lead bytes (932, 936, 949, 950), each the
  // first of a two-byte character whatever byte follows it.
  std::bitset<256> leadBytes;
};

// The length of the character that begins a text of `count` bytes, count
// above 0: more than `count` when the text's end cuts it. A UTF-8
// sequence that another byte breaks off ends there; a byte that begins none
// is a character of its own.
std::uint32_t CharacterLength(const CharacterRule& rule, const char* text, std::uint32_t count);

// The length of the text without a character that its end cuts. The text
// begins with a whole character: a double-byte code page's trail bytes can
// look like lead bytes, so only a walk from the start tells them apart.
std::uint32_t WholeCharacters(const CharacterRule& rule, const char* text, std::uint32_t count);

}  // namespace platform
