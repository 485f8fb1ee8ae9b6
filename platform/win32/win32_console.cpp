#include "platform/win32/win32_console.h"

#include <string>

namespace platform {
namespace {

// The text in UTF-16; false when a byte of it does not convert.
bool Converted(UINT codePage, const char* text, std::uint32_t count, std::wstring* units) {
  units->clear();
  if (count == 0) return true;
  const int size = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text,
                                         static_cast<int>(count), nullptr, 0);
  if (size <= 0) return false;
  units->resize(static_cast<std::size_t>(size));
  return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, static_cast<int>(count),
                               units->data(), size) == size;
}

// A console may take fewer units than it is given.
bool WriteUnits(HANDLE console, const std::wstring& units) {
  for (std::size_t done = 0; done < units.size();) {
    DWORD written = 0;
    if (!::WriteConsoleW(console, units.data() + done, static_cast<DWORD>(units.size() - done),
                         &written, nullptr)) {
      return false;
    }
    // A console that takes nothing would be asked forever.
    if (written == 0) return true;
    done += written;
  }
  return true;
}

bool WriteBytes(HANDLE console, const char* bytes, std::uint32_t count) {
  DWORD written = 0;
  return count == 0 || ::WriteFile(console, bytes, count, &written, nullptr) != FALSE;
}

}  // namespace

CharacterRule CharacterRuleOf(UINT codePage) {
  CharacterRule rule;
  rule.utf8 = codePage == CP_UTF8;
  if (rule.utf8) return rule;
  for (unsigned byte = 0; byte <= 0xFF; ++byte) {
    rule.leadBytes[byte] = ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(byte)) != FALSE;
  }
  return rule;
}

bool WriteConsoleText(HANDLE console, UINT codePage, const CharacterRule& rule, const char* text,
                      std::uint32_t count) {
  std::wstring units;
  if (Converted(codePage, text, count, &units)) return WriteUnits(console, units);
  // Character by character: the run of those that convert goes out before
  // the bytes of one that does not.
  std::uint32_t run = 0;
  for (std::uint32_t at = 0; at < count;) {
    std::uint32_t length = CharacterLength(rule, text + at, count - at);
    if (length > count - at) length = count - at;
    if (Converted(codePage, text + at, length, &units)) {
      at += length;
      continue;
    }
    if (!Converted(codePage, text + run, at - run, &units) || !WriteUnits(console, units) ||
        !WriteBytes(console, text + at, length)) {
      return false;
    }
    at += length;
    run = at;
  }
  return Converted(codePage, text + run, count - run, &units) && WriteUnits(console, units);
}

}  // namespace platform
