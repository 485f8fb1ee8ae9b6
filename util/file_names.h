// Module kol: what the program asks about paths. A text here is a reference
// to NUL-terminated bytes that may be absent; an absent text reads as empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kol {

// The folder and drive separators of a Windows path: ':' and '\'. The
// forward slash is an ordinary byte.
extern const char PathDelimiters[];

// The text itself, or the static empty text when it is absent.
const char* NonNullText(const char* text);

// The position of the last byte equal to `character`, the terminator
// included in the search; nothing when no byte equals it.
std::optional<std::size_t> FindLastChar(const char* text, char character);

// The position of the last byte of the text found in the NUL-terminated set;
// the text's length when there is none.
std::size_t FindLastDelimiter(const char* text, const char* delimiters);

// The part of the path after its last ':' or '\'; the whole path when it
// holds neither.
std::string FileNamePart(const char* path);

// True when the path names an existing entry that is not a directory. Only
// the attributes are asked for: a file that cannot be read still exists.
bool IsExistingFile(const char* path);
// The same; when the answer is false, `queryError` receives the system's
// code for the failed query, or 0 when the path names a folder; when the
// query succeeds, `found` receives the entry's attributes.
bool IsExistingFile(const char* path, std::uint32_t* queryError, std::uint32_t* found);

}  // namespace kol
