// Text in the program's code page, shown on a console as characters.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>

#include "platform/character_rule.h"

namespace platform {

// How the code page cuts text into characters, as IsDBCSLeadByteEx and
// the UTF-8 code page tell.
CharacterRule CharacterRuleOf(UINT codePage);

// Writes text of the code page to a console: the characters it converts as
// UTF-16 (WriteConsoleW, until the console took every unit), any other as
// its bytes (WriteFile), which the console shows in its own code page rather
// than as a replacement character. False, with the error, when a write
// fails.
bool WriteConsoleText(HANDLE console, UINT codePage, const CharacterRule& rule, const char* text,
                      std::uint32_t count);

}  // namespace platform
