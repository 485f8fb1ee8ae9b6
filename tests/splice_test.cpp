// The join on the fake operating system: output bytes, standard output, the
// transfers that reach the OS, the checks before anything is created, and
// sizes beyond 32 bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "fake/movie_bytes.h"
#include "fake/run_program.h"

namespace {

using fake::Call;

constexpr char kArguments[] = "vimbrel.exe a.mve b.mve out.mve";
constexpr char kProgress[] = "Vimbrel\r\n a.mve -> out.mve\r\n b.mve -> out.mve\r\n";

std::string Movie(std::int64_t size, std::uint32_t seed) {
  return fake::MovieBytes(static_cast<std::size_t>(size), seed);
}

using fake::JoinedMovie;

// The file operations in order, as "Read a.mve 100000/99".
std::vector<std::string> FileCalls(const fake::FakeOs& os) {
  std::vector<std::string> trace;
  for (const fake::CallRecord& r : os.calls) {
    std::string line = std::string(fake::CallName(r.call)) + " " + r.path;
    if (r.call == Call::kRead || r.call == Call::kWrite) {
      line += " " + std::to_string(r.count) + "/" + std::to_string(r.transferred);
    } else if (r.call == Call::kSeek) {
      line += " " + std::to_string(r.position);
    } else if (r.call != Call::kOpenFile && r.call != Call::kFileSize && r.call != Call::kClose &&
               r.call != Call::kSetEndOfFile) {
      continue;
    }
    trace.push_back(line);
  }
  return trace;
}

TEST(Splice, ExactSequenceOfCalls) {
  fake::FakeOs os;
  os.commandLine = kArguments;
  os.AddFile("a.mve", Movie(17, 1));
  os.AddFile("b.mve", Movie(27, 2));
  ASSERT_EQ(fake::RunProgram(os), 0u);
  const std::vector<std::string> expected = {
      "Write <stdout> 9/9",
      "OpenFile a.mve",
      "FileSize a.mve",
      "OpenFile b.mve",
      "FileSize b.mve",
      "OpenFile out.mve",
      "SetEndOfFile out.mve",
      "Write <stdout> 19/19",
      "FileSize a.mve",
      "Read a.mve 1/1",
      "Write out.mve 1/1",
      "Write <stdout> 19/19",
      "Seek b.mve 26",
      "FileSize b.mve",
      "Seek b.mve 0",
      "Read b.mve 100000/1",
      "Write out.mve 1/1",
      "FileSize b.mve",
      "Seek b.mve 0",
      "Close out.mve",
      "Close a.mve",
      "Close b.mve",
  };
  EXPECT_EQ(FileCalls(os), expected);
}

// An empty movie is read once, for a byte that a file hiding its size would
// give. Phase one reads the first movie less 16 bytes in chunks of 100000 and
// the remainder; phase two asks for 100000 until the end.
std::vector<std::string> ExpectedTransfers(std::int64_t size1, std::int64_t size2) {
  std::vector<std::string> trace;
  if (size1 == 0) trace.push_back("Read a.mve 1/0");
  if (size2 == 0) trace.push_back("Read b.mve 1/0");
  for (std::int64_t left = size1 - 16; left > 0; left -= 100000) {
    const std::string n = std::to_string(std::min<std::int64_t>(left, 100000));
    trace.push_back("Read a.mve " + n + "/" + n);
    trace.push_back("Write out.mve " + n + "/" + n);
  }
  for (std::int64_t left = size2 - 26; left > 0; left -= 100000) {
    const std::string n = std::to_string(std::min<std::int64_t>(left, 100000));
    trace.push_back("Read b.mve 100000/" + n);
    trace.push_back("Write out.mve " + n + "/" + n);
  }
  return trace;
}

TEST(Splice, BoundarySizes) {
  for (std::int64_t size1 : {0, 16, 17, 100016, 100017}) {
    for (std::int64_t size2 : {0, 26, 27, 100026, 100027}) {
      SCOPED_TRACE(std::to_string(size1) + " + " + std::to_string(size2));
      fake::FakeOs os;
      os.commandLine = kArguments;
      const std::string first = Movie(size1, 1);
      const std::string second = Movie(size2, 2);
      os.AddFile("a.mve", first);
      os.AddFile("b.mve", second);
      ASSERT_EQ(fake::RunProgram(os), 0u);
      EXPECT_TRUE(os.Contents("out.mve") == JoinedMovie(first, second));
      EXPECT_EQ(os.stdoutBytes, kProgress);
      std::vector<std::string> transfers;
      for (const std::string& line : FileCalls(os)) {
        if (line.rfind("Read", 0) == 0 || line.rfind("Write out", 0) == 0) transfers.push_back(line);
      }
      EXPECT_EQ(transfers, ExpectedTransfers(size1, size2));
      EXPECT_TRUE(os.OpenPaths().empty());
      EXPECT_EQ(os.stderrBytes, "");
    }
  }
}

TEST(Splice, ProgressLinesShowInputNamePartsAndTheWholeOutput) {
  fake::FakeOs os;
  os.commandLine = "vimbrel.exe C:\\m\\intro.mve D:end.mve C:\\out\\joined.mve";
  os.AddFile("C:\\m\\intro.mve", Movie(40, 1));
  os.AddFile("D:end.mve", Movie(40, 2));
  os.AddFolder("C:\\out");
  EXPECT_EQ(fake::RunProgram(os), 0u);
  EXPECT_EQ(os.stdoutBytes,
            "Vimbrel\r\n intro.mve -> C:\\out\\joined.mve\r\n end.mve -> C:\\out\\joined.mve\r\n");
}

TEST(Splice, MissingInputIsNamedAndNothingIsOpened) {
  struct {
    bool firstExists;
    bool secondExists;
    const char* folder;  // an input that is a folder
    const char* named;
    int queries;
  } const cases[] = {
      {false, false, nullptr, "a.mve", 1},
      {false, true, nullptr, "a.mve", 1},
      {true, false, nullptr, "b.mve", 2},
      {false, true, "a.mve", "a.mve", 1},
      {true, false, "b.mve", "b.mve", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.named);
    fake::FakeOs os;
    os.commandLine = kArguments;
    if (c.firstExists) os.AddFile("a.mve", Movie(40, 1));
    if (c.secondExists) os.AddFile("b.mve", Movie(40, 2));
    if (c.folder) os.AddFolder(c.folder);
    EXPECT_EQ(fake::RunProgram(os), 2u);
    EXPECT_EQ(os.stdoutBytes, std::string("Vimbrel\r\nInput file `") + c.named + "' not found.\r\n");
    EXPECT_EQ(os.stderrBytes,
              c.folder ? std::string("vimbrel: cannot join `") + c.named +
                             "': it is a folder (error 2)\r\n"
                       : std::string("vimbrel: cannot find `") + c.named +
                             "': words for 2 (error 2)\r\n");
    EXPECT_EQ(os.CountOf(Call::kFileAttributes), c.queries);
    EXPECT_EQ(os.CountOf(Call::kOpenFile), 0);
    EXPECT_FALSE(os.Exists("out.mve"));
  }
}

TEST(Splice, OutputThatIsAnInputIsRefusedUntouched) {
  constexpr char kNoIdentity[] = "its volume gives no file identity that tells it from the inputs";
  struct {
    const char* output;
    const char* stdoutFile;  // where standard output is redirected, if anywhere
    const char* is;
    const char* itIs;
    std::uint32_t status = 87;
    // Files whose volume answers an index of 0 for them: unknown.
    const char* unindexed[2] = {};
  } const cases[] = {
      {"a.mve", nullptr, "is an input file", "it is one of the inputs"},
      {"b.mve", nullptr, "is an input file", "it is one of the inputs"},
      {"link.mve", nullptr, "is an input file", "it is one of the inputs"},
      // The printed lines would land inside the movie.
      {"out.mve", "out.mve", "is standard output", "it is standard output"},
      {"out.mve", "other.mve", "is standard output", "it is standard output"},
      // The name named nothing when asked, and leads to the movie when the
      // output is opened: the file opened is the one compared.
      {"raced.mve", nullptr, "is an input file", "it is one of the inputs"},
      // Nothing tells the files apart, nor shows them one.
      {"out.mve", nullptr, "cannot be told from an input file", kNoIdentity, 50, {"out.mve"}},
      {"out.mve", nullptr, "cannot be told from an input file", kNoIdentity, 50,
       {"out.mve", "a.mve"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    fake::FakeOs os;
    os.commandLine = std::string("vimbrel.exe a.mve b.mve ") + c.output;
    // Large enough that an output written over the second movie would feed
    // itself in whole chunks and soon fill the fake disk, not run for long.
    const std::string first = Movie(100042, 1);
    const std::string second = Movie(60, 2);
    os.AddFile("a.mve", first);
    os.AddFile("b.mve", second);
    os.AddLink("link.mve", "b.mve");
    os.AddFile("out.mve", "old");
    os.AddLink("other.mve", "out.mve");
    for (const char* name : c.unindexed) {
      if (name != nullptr) os.File(name)->index = 0;
    }
    if (c.stdoutFile != nullptr) {
      os.stdoutType = platform::FileType::kDisk;
      os.stdoutFile = c.stdoutFile;
    }
    const bool raced = std::strcmp(c.output, "raced.mve") == 0;
    if (raced) {
      os.AddLink("raced.mve", "a.mve");
      os.FailNth(Call::kIdentityOfPath, 1, platform::error::kFileNotFound);
    }
    EXPECT_EQ(fake::RunProgram(os), c.status);
    EXPECT_EQ(os.stdoutBytes,
              std::string("Vimbrel\r\nOutput file `") + c.output + "' " + c.is + ".\r\n");
    EXPECT_EQ(os.stderrBytes, std::string("vimbrel: cannot create `") + c.output + "': " +
                                  c.itIs + " (error " + std::to_string(c.status) + ")\r\n");
    EXPECT_EQ(os.openRequests.size(), raced ? 3u : 2u);
    EXPECT_EQ(os.CountOf(Call::kSetEndOfFile), 0);
    EXPECT_TRUE(os.Contents("a.mve") == first);
    EXPECT_TRUE(os.Contents("b.mve") == second);
    EXPECT_EQ(os.Contents("out.mve"), "old");
  }
}

// Standard output redirected to a movie, even one that is missing beside
// it, would get the program's lines: refused before one of them, the banner
// included, reaches it, and before any file is opened.
TEST(Splice, StandardOutputThatIsAMovieIsRefusedBeforeAnyLine) {
  struct {
    const char* commandLine;
    const char* stdoutFile;
    const char* named;
    // The file standard output goes to has an index of 0, unknown: it may be
    // any file of its volume.
    bool unindexed = false;
  } const cases[] = {
      {"vimbrel.exe a.mve b.mve out.mve", "a.mve", "a.mve"},
      {"vimbrel.exe a.mve b.mve out.mve", "b.mve", "b.mve"},
      {"vimbrel.exe a.mve link.mve out.mve", "b.mve", "link.mve"},
      {"vimbrel.exe a.mve gone.mve out.mve", "a.mve", "a.mve"},
      {"vimbrel.exe gone.mve b.mve out.mve", "b.mve", "b.mve"},
      {"vimbrel.exe a.mve b.mve out.mve", "log.txt", "a.mve", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.commandLine) + " > " + c.stdoutFile);
    fake::FakeOs os;
    os.commandLine = c.commandLine;
    const std::string first = Movie(100, 1);
    const std::string second = Movie(60, 2);
    os.AddFile("a.mve", first);
    os.AddFile("b.mve", second);
    os.AddLink("link.mve", "b.mve");
    os.AddFile("log.txt", "");
    if (c.unindexed) os.File(c.stdoutFile)->index = 0;
    os.stdoutType = platform::FileType::kDisk;
    os.stdoutFile = c.stdoutFile;
    EXPECT_EQ(fake::RunProgram(os), c.unindexed ? 50u : 87u);
    EXPECT_EQ(os.stdoutBytes, "");
    EXPECT_EQ(os.stderrBytes,
              std::string("vimbrel: cannot read `") + c.named + "': " +
                  (c.unindexed ? "its volume gives no file identity that tells it from standard "
                                 "output (error 50)\r\n"
                               : "standard output goes to it (error 87)\r\n"));
    EXPECT_TRUE(os.openRequests.empty());
    EXPECT_FALSE(os.Exists("out.mve"));
    EXPECT_TRUE(os.Contents("a.mve") == first);
    EXPECT_TRUE(os.Contents("b.mve") == second);
  }
}

// Standard error that goes to a movie, by any name, gets no line, whatever
// ends the run: text appended to a movie would stand where its closing bytes
// must be. The status still tells. Standard error that is the output, or any
// other file, gets its line.
TEST(Splice, TheErrorLineNeverGoesIntoAMovie) {
  struct {
    const char* commandLine;
    const char* stdoutFile;  // where standard output is redirected, if anywhere
    const char* stderrFile;
    std::uint32_t status;
    bool said;
  } const cases[] = {
      // `>> b.mve 2>&1`: refused, as standard output goes to the movie.
      {"vimbrel.exe a.mve b.mve out.mve", "b.mve", "b.mve", 87, false},
      // `2>> a.mve`, with each way a run fails: not found, refused, run-time
      // error.
      {"vimbrel.exe a.mve gone.mve out.mve", nullptr, "a.mve", 2, false},
      {"vimbrel.exe a.mve b.mve a.mve", nullptr, "a.mve", 87, false},
      {"vimbrel.exe a.mve b.mve nodir\\out.mve", nullptr, "a.mve", 3, false},
      {"vimbrel.exe a.mve link.mve nodir\\out.mve", nullptr, "b.mve", 3, false},
      {"vimbrel.exe a.mve b.mve nodir\\out.mve", nullptr, "out.mve", 3, true},
      {"vimbrel.exe a.mve gone.mve out.mve", nullptr, "out.mve", 2, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.commandLine) + " 2>> " + c.stderrFile);
    fake::FakeOs os;
    os.commandLine = c.commandLine;
    os.AddFile("a.mve", Movie(100, 1));
    os.AddFile("b.mve", Movie(60, 2));
    os.AddFile("out.mve", "old");
    os.AddLink("link.mve", "b.mve");
    if (c.stdoutFile != nullptr) {
      os.stdoutType = platform::FileType::kDisk;
      os.stdoutFile = c.stdoutFile;
    }
    os.stderrFile = c.stderrFile;
    EXPECT_EQ(fake::RunProgram(os), c.status);
    EXPECT_EQ(os.stderrBytes.empty(), !c.said) << os.stderrBytes;
  }
}

// A device, console or pipe has no file identity, and no input can be one:
// the join goes ahead.
TEST(Splice, OutputThatIsNoDiskFileIsJoinedInto) {
  for (platform::FileType type : {platform::FileType::kChar, platform::FileType::kPipe}) {
    fake::FakeOs os;
    os.commandLine = "vimbrel.exe a.mve b.mve NUL";
    const std::string first = Movie(100, 1);
    const std::string second = Movie(60, 2);
    os.AddFile("a.mve", first);
    os.AddFile("b.mve", second);
    os.AddFile("NUL", "")->type = type;
    EXPECT_EQ(fake::RunProgram(os), 0u);
    EXPECT_EQ(os.stdoutBytes, "Vimbrel\r\n a.mve -> NUL\r\n b.mve -> NUL\r\n");
    EXPECT_EQ(os.Contents("NUL"), JoinedMovie(first, second));
  }
}

TEST(Splice, MovieJoinedWithItself) {
  fake::FakeOs os;
  os.commandLine = "vimbrel.exe a.mve a.mve out.mve";
  const std::string movie = Movie(100, 1);
  os.AddFile("a.mve", movie);
  EXPECT_EQ(fake::RunProgram(os), 0u);
  EXPECT_EQ(os.Contents("out.mve"), JoinedMovie(movie, movie));
}

// An input that is no disk file, one the system makes up as it is read (as
// files of /proc and /sys are), or one that reports no size but has bytes to
// read, would be joined as if empty or cut: refused before the output is
// opened, which keeps its bytes.
TEST(Splice, InputThatIsNoDiskFileIs50) {
  constexpr char kNoRegularFile[] = "not a regular file (a FIFO, socket or device)";
  constexpr char kHiddenSize[] = "its size is unknown (it reports 0 bytes but has bytes to read)";
  constexpr char kMadeUpWords[] =
      "the system makes up its bytes as they are read (a file of /proc, /sys or the like), so "
      "its size says nothing";
  // How the named input differs from a movie on disk. kSwapped: a device
  // that was a disk file when its name was asked about.
  enum How { kNone, kHidesSize, kMadeUp, kSwapped };
  struct {
    const char* named;
    platform::FileType type;
    How how;
    const char* doing;
    const char* words;
    int opens;
  } const cases[] = {
      {"a", platform::FileType::kPipe, kNone, "read", kNoRegularFile, 0},
      {"b", platform::FileType::kChar, kNone, "read", kNoRegularFile, 1},
      {"a", platform::FileType::kDisk, kHidesSize, "read", kHiddenSize, 1},
      {"b", platform::FileType::kDisk, kHidesSize, "read", kHiddenSize, 2},
      {"a", platform::FileType::kDisk, kMadeUp, "read", kMadeUpWords, 1},
      {"b", platform::FileType::kDisk, kMadeUp, "read", kMadeUpWords, 2},
      // Refused by the open itself, which never opens it.
      {"b", platform::FileType::kChar, kSwapped, "open", "words for 50", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.named) + " " + c.words);
    fake::FakeOs os;
    os.commandLine = kArguments;
    const std::string name = std::string(c.named) + ".mve";
    os.AddFile("a.mve", Movie(40, 1));
    os.AddFile("b.mve", Movie(40, 2));
    os.AddFile("out.mve", Movie(5000, 3));
    const auto input = os.File(name);
    input->type = c.type;
    input->hidesSize = c.how == kHidesSize;
    input->madeUp = c.how == kMadeUp;
    if (c.how == kSwapped) os.attributeAnswers[name] = platform::kNormalAttribute;
    EXPECT_EQ(fake::RunProgram(os), 50u);
    EXPECT_TRUE(std::regex_match(os.stdoutBytes,
                                 std::regex("Vimbrel\r\nRuntime error  50 at [0-9A-F]{8}\r\n")));
    // 50 is a Windows code too: the program says what it means here.
    EXPECT_EQ(os.stderrBytes, std::string("vimbrel: cannot ") + c.doing + " `" + name + "': " +
                                  c.words + " (error 50)\r\n");
    // A pipe or device is refused before it is opened; a file that hides its
    // size only once a read finds bytes in it.
    int opened = 0;
    for (const fake::CallRecord& call : os.CallsOf(Call::kOpenFile)) opened += call.ok ? 1 : 0;
    EXPECT_EQ(opened, c.opens);
    EXPECT_TRUE(os.Contents("out.mve") == Movie(5000, 3));
  }
}

// Whatever the OS refuses on the output (here a sharing violation on every
// call that names it) ends the run with that code before anything is created.
TEST(Splice, OutputTheOsRefusesEndsWithItsCode) {
  fake::FakeOs os;
  os.commandLine = kArguments;
  os.AddFile("a.mve", Movie(40, 1));
  os.AddFile("b.mve", Movie(40, 2));
  os.FailOnPath("out.mve", platform::error::kSharingViolation);
  EXPECT_EQ(fake::RunProgram(os), 32u);
  EXPECT_TRUE(std::regex_match(os.stdoutBytes,
                               std::regex("Vimbrel\r\nRuntime error  32 at [0-9A-F]{8}\r\n")));
  EXPECT_EQ(os.stderrBytes, "vimbrel: cannot examine `out.mve': words for 32 (error 32)\r\n");
  EXPECT_FALSE(os.Exists("out.mve"));
}

TEST(Splice, ReadOfNothingWhileBytesRemainIs100) {
  struct {
    std::int64_t size1;
    std::int64_t size2;
    int emptyRead;
    std::size_t kept;  // bytes of the first movie in the output
    const char* input;  // the movie that ran short
  } const cases[] = {
      {100100, 40, 2, 100000, "a.mve"},  // phase one, second chunk
      {100100, 40, 1, 0, "a.mve"},       // phase one, first chunk
      {20, 100, 2, 4, "b.mve"},          // phase two
  };
  for (const auto& c : cases) {
    fake::FakeOs os;
    os.commandLine = kArguments;
    const std::string first = Movie(c.size1, 1);
    os.AddFile("a.mve", first);
    os.AddFile("b.mve", Movie(c.size2, 2));
    os.ShortenNth(Call::kRead, c.emptyRead, 0);
    EXPECT_EQ(fake::RunProgram(os), 100u) << c.size1 << " " << c.emptyRead;
    EXPECT_TRUE(os.Contents("out.mve") == first.substr(0, c.kept));
    EXPECT_EQ(os.stderrBytes, std::string("vimbrel: cannot read `") + c.input +
                                  "': it held fewer bytes than its size promised (error 100)\r\n");
  }
}

// Another program rewrites the second movie while it is read: cut below the
// bytes already copied, the join is short (100), as in the first phase; cut
// above them, or grown, the join follows its end.
TEST(Splice, SecondMovieThatChangesWhileReadEndsAtItsNewEnd) {
  constexpr std::size_t kFirstSize = 1016;  // 1000 bytes of it joined
  constexpr std::size_t kCopiedWhenChanged = 1000000;  // of the second, at the change
  struct {
    std::size_t newSize;
    std::uint32_t status;
  } const cases[] = {
      {1000, 100},
      {kCopiedWhenChanged + 26 - 1, 100},
      {kCopiedWhenChanged + 26, 0},
      {kCopiedWhenChanged + 26 + 50000, 0},
      {3000000, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.newSize);
    fake::FakeOs os;
    os.commandLine = kArguments;
    const std::string first = Movie(kFirstSize, 1);
    const std::string second = Movie(2000000, 2);
    const std::string changed = c.newSize <= second.size()
                                    ? second.substr(0, c.newSize)
                                    : second + Movie(c.newSize - second.size(), 3);
    os.AddFile("a.mve", first);
    const auto secondFile = os.AddFile("b.mve", second);
    std::string received;
    const auto output = os.AddFile("out.mve", "");
    output->sink = [&](std::int64_t offset, const unsigned char* from, std::uint32_t count) {
      received.replace(static_cast<std::size_t>(offset), count,
                       reinterpret_cast<const char*>(from), count);
      if (received.size() == 1000 + kCopiedWhenChanged) {
        secondFile->bytes.assign(changed.begin(), changed.end());
      }
    };
    EXPECT_EQ(fake::RunProgram(os), c.status);
    if (c.status == 100) {
      EXPECT_EQ(os.stderrBytes, "vimbrel: cannot read `b.mve': it held fewer bytes than its "
                                "size promised (error 100)\r\n");
      EXPECT_TRUE(received == JoinedMovie(first, second.substr(0, 26 + kCopiedWhenChanged)));
    } else {
      EXPECT_TRUE(received == JoinedMovie(first, changed));
    }
  }
}

// A generated chunk is filled with one byte that tells where it came from.
unsigned char Tag(std::int64_t offset) {
  return static_cast<unsigned char>((offset >> 5) ^ (offset >> 32));
}

void JoinHugeFirstMovie(std::int64_t size) {
  fake::FakeOs os;
  os.commandLine = "vimbrel.exe big.mve b.mve out.mve";
  auto big = os.AddFile("big.mve", "");
  big->generatedSize = size;
  big->generate = [](std::int64_t offset, unsigned char* into, std::uint32_t count) {
    std::memset(into, Tag(offset), count);
  };
  const std::string second = Movie(40, 2);
  os.AddFile("b.mve", second);
  const std::int64_t firstPart = size - 16;
  std::int64_t next = 0;
  std::uint32_t largest = 0;
  int faults = 0;
  os.AddFile("out.mve", "")->sink = [&](std::int64_t offset, const unsigned char* from,
                                        std::uint32_t count) {
    const bool ok = offset == next && count > 0 &&
                    (offset < firstPart
                         ? from[0] == Tag(offset) && from[count - 1] == Tag(offset)
                         : std::memcmp(from, second.data() + 26 + (offset - firstPart), count) == 0);
    faults += ok ? 0 : 1;
    next = offset + count;
    largest = std::max(largest, count);
  };
  ASSERT_EQ(fake::RunProgram(os), 0u);
  EXPECT_EQ(faults, 0);
  EXPECT_EQ(next, firstPart + 14);
  EXPECT_EQ(largest, 100000u);
  std::int64_t read = 0;
  std::uint32_t largestRead = 0;
  for (const fake::CallRecord& r : os.CallsOf(Call::kRead)) {
    largestRead = std::max(largestRead, r.count);
    if (r.path == "big.mve") read += r.transferred;
  }
  EXPECT_EQ(largestRead, 100000u);
  EXPECT_EQ(read, firstPart);
}

TEST(Splice, FirstMovieAbove2GiB) { JoinHugeFirstMovie((std::int64_t{1} << 31) + 100); }
TEST(Splice, FirstMovieAbove4GiB) { JoinHugeFirstMovie((std::int64_t{1} << 32) + 100); }

}  // namespace
