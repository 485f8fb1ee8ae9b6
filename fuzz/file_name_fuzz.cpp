// The name part of any path: a suffix of the path holding no ':' or '\',
// everything after the last of them, and the whole path when it has none.
#include <string>

#include "fuzz_text.h"
#include "util/file_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::ExactText text(data, size);
  const std::string path(text.get(), text.size());
  const std::string name = kol::FileNamePart(text.get());

  FUZZ_CHECK(name.size() <= path.size());
  FUZZ_CHECK(path.compare(path.size() - name.size(), name.size(), name) == 0);
  FUZZ_CHECK(name.find_first_of(":\\") == std::string::npos);
  const std::size_t last = path.find_last_of(":\\");
  if (last == std::string::npos) {
    FUZZ_CHECK(name == path);
  } else {
    FUZZ_CHECK(name.size() == path.size() - last - 1);
  }
  FUZZ_CHECK(kol::FindLastDelimiter(text.get(), kol::PathDelimiters) <= text.size());
  FUZZ_CHECK(kol::FileNamePart(nullptr).empty());
  return 0;
}
