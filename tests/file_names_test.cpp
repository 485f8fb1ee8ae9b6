// Module kol's path helpers: the name part after the last ':' or '\', the
// searches beneath it, and what counts as an existing file.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "fake/run_program.h"
#include "util/file_names.h"

namespace {

TEST(FileNames, FileNamePartTable) {
  struct {
    const char* path;
    const char* namePart;
  } const cases[] = {
      {"C:\\Movies\\intro.mve", "intro.mve"},
      {"C:intro.mve", "intro.mve"},
      {"intro.mve", "intro.mve"},
      {"movies/intro.mve", "movies/intro.mve"},
      {"..\\x.mve", "x.mve"},
      {"\\\\server\\share\\a.mve", "a.mve"},
      {"a:b\\c:d", "d"},
      {"C:\\\"My Movies\"\\a.mve", "a.mve"},
      {"C:\\Movies\\", ""},
      {"C:", ""},
      {"", ""},
      {nullptr, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kol::FileNamePart(c.path), c.namePart) << (c.path ? c.path : "(absent)");
  }
}

TEST(FileNames, FindLastDelimiter) {
  EXPECT_EQ(kol::FindLastDelimiter("C:\\Movies\\intro.mve", kol::PathDelimiters), 9u);
  EXPECT_EQ(kol::FindLastDelimiter("intro.mve", kol::PathDelimiters), 9u);
  EXPECT_EQ(kol::FindLastDelimiter("a:b\\c:d", kol::PathDelimiters), 5u);
  EXPECT_EQ(kol::FindLastDelimiter(nullptr, kol::PathDelimiters), 0u);
  EXPECT_EQ(kol::FindLastDelimiter("C:\\a", ""), 4u);
  // The order of the set does not matter.
  EXPECT_EQ(kol::FindLastDelimiter("a\\b:c", "\\:"), 3u);
  EXPECT_EQ(kol::FindLastDelimiter("a:b\\c", "\\:"), 3u);
}

TEST(FileNames, FindLastChar) {
  EXPECT_EQ(kol::FindLastChar("abc", '\0'), std::optional<std::size_t>(3));
  EXPECT_EQ(kol::FindLastChar("", '\0'), std::optional<std::size_t>(0));
  EXPECT_EQ(kol::FindLastChar("abc", 'x'), std::nullopt);
  EXPECT_EQ(kol::FindLastChar("a\\b\\c", '\\'), std::optional<std::size_t>(3));
  EXPECT_EQ(kol::FindLastChar("\\bc", '\\'), std::optional<std::size_t>(0));
  EXPECT_EQ(kol::FindLastChar("\xE9t\xE9", '\xE9'), std::optional<std::size_t>(2));
}

TEST(FileNames, IsExistingFileByAttributeAnswer) {
  struct {
    std::uint32_t attributes;
    bool existing;
  } const cases[] = {
      {0xFFFFFFFFu, false}, {0x10, false}, {0x11, false}, {0x30, false},
      {0x20, true},         {0x80, true},  {0x01, true},  {0, true},
  };
  for (const auto& c : cases) {
    fake::FakeOs os;
    fake::StartOn(os);
    os.attributeAnswers["m.mve"] = c.attributes;
    EXPECT_EQ(kol::IsExistingFile("m.mve"), c.existing) << std::hex << c.attributes;
  }
}

TEST(FileNames, AbsentPathIsQueriedAsEmpty) {
  fake::FakeOs os;
  fake::StartOn(os);
  os.attributeAnswers[""] = platform::kNormalAttribute;
  EXPECT_TRUE(kol::IsExistingFile(nullptr));
  ASSERT_EQ(os.CountOf(fake::Call::kFileAttributes), 1);
  EXPECT_EQ(os.calls.back().path, "");
}

}  // namespace
