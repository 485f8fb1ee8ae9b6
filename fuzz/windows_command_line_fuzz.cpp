// argv, written into the line a Windows user would type and split again by
// the program's grammar, gives back its arguments.
//
// What comes back, whatever the program name (argv[0]): every non-empty
// element after it, in order, up to the first element that holds a double
// quote; the grammar has no escape, so such an element may swallow what
// follows it. Empty elements vanish (they become a blank pair). When no
// element holds a double quote, the count is the number of non-empty
// elements after argv[0], and the line is said to carry them exactly.
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "util/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The elements are the input's pieces between NUL bytes.
  std::vector<std::string> elements(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      elements.emplace_back();
    } else {
      elements.back() += static_cast<char>(data[i]);
    }
  }
  const std::string rebuilt = kol::CommandLineFor(elements);
  const fuzz::ExactText line(reinterpret_cast<const std::uint8_t*>(rebuilt.data()),
                             rebuilt.size());
  FUZZ_CHECK(line.size() == rebuilt.size());

  std::vector<std::string> expected;
  bool quoteFree = true;
  for (std::size_t i = 1; i < elements.size(); ++i) {
    if (elements[i].find('"') != std::string::npos) {
      quoteFree = false;
      break;
    }
    if (!elements[i].empty()) expected.push_back(elements[i]);
  }
  for (std::size_t i = 0; i < expected.size(); ++i) {
    FUZZ_CHECK(kol::ArgumentAt(line.get(), static_cast<std::int32_t>(i + 1)) == expected[i]);
  }
  if (quoteFree) {
    FUZZ_CHECK(kol::CountArguments(line.get()) == static_cast<std::int32_t>(expected.size()));
    FUZZ_CHECK(kol::SplitsBackInto(line.get(), elements));
  }
  return 0;
}
