#include "util/file_names.h"

#include <cstdint>
#include <cstring>

#include "platform/os.h"

namespace kol {

const char PathDelimiters[] = ":\\";

namespace {
const char kEmptyText[] = "";
}

const char* NonNullText(const char* text) { return text != nullptr ? text : kEmptyText; }

std::optional<std::size_t> FindLastChar(const char* text, char character) {
  for (std::size_t position = std::strlen(text) + 1; position-- > 0;) {
    if (text[position] == character) return position;
  }
  return std::nullopt;
}

std::size_t FindLastDelimiter(const char* text, const char* delimiters) {
  text = NonNullText(text);
  const std::size_t length = std::strlen(text);
  std::size_t best = length;
  for (const char* delimiter = delimiters; *delimiter != '\0'; ++delimiter) {
    const std::optional<std::size_t> found = FindLastChar(text, *delimiter);
    if (found && (best == length || *found > best)) best = *found;
  }
  return best;
}

std::string FileNamePart(const char* path) {
  path = NonNullText(path);
  const std::size_t position = FindLastDelimiter(path, PathDelimiters);
  if (path[position] == '\0') return path;
  return path + position + 1;
}

bool IsExistingFile(const char* path) {
  std::uint32_t queryError = 0;
  std::uint32_t attributes = 0;
  return IsExistingFile(path, &queryError, &attributes);
}

bool IsExistingFile(const char* path, std::uint32_t* queryError, std::uint32_t* found) {
  platform::Os& os = platform::CurrentOs();
  const std::uint32_t attributes = os.FileAttributes(NonNullText(path));
  if (attributes == platform::kInvalidFileAttributes) {
    const std::uint32_t code = os.LastError();
    *queryError = code != 0 ? code : platform::error::kGeneralFailure;
    return false;
  }
  *queryError = 0;
  *found = attributes;
  return (attributes & platform::kDirectoryAttribute) == 0;
}

}  // namespace kol
