// Binary file records: the codes each operation records, the harmless values
// it returns on failure, and the open requests that reach the OS.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fake/run_program.h"
#include "runtime/file_record.h"
#include "runtime/io_result.h"

namespace {

using namespace runtime;
using fake::Call;

class FileRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::StartOn(os);
    DefaultOpenMode = 0;
    os.AddFile("ten", "0123456789");
  }
  // Binds the record to the path and opens it for reading.
  void Open(FileRecord& record, const char* path) {
    AssignName(record, path);
    OpenExisting(record, 1);
    EXPECT_EQ(PendingIoResult, 0u);
  }
  fake::FakeOs os;
  char buffer[64] = {};
};

TEST_F(FileRecordTest, ClosedAndNeverBoundRecordsRefuseEveryOperation) {
  const std::int32_t kUntouched = -7;
  std::int32_t countOut = kUntouched;
  bool atEnd = false;
  std::int64_t length = 0;
  const std::function<void(FileRecord&)> operations[] = {
      [&](FileRecord& r) { ReadRecords(r, buffer, 4, &countOut); },
      [&](FileRecord& r) { WriteRecords(r, buffer, 4, &countOut); },
      [](FileRecord& r) { SeekTo(r, 1); },
      [&](FileRecord& r) { atEnd = IsAtEnd(r); },
      [&](FileRecord& r) { length = FileLength(r); },
      [](FileRecord& r) { CloseFileRecord(r); },
  };
  FileRecord closed;
  Open(closed, "ten");
  CloseFileRecord(closed);
  ASSERT_EQ(closed.state, OpenMode::kClosed);
  FileRecord neverBound;
  for (FileRecord* record : {&closed, &neverBound}) {
    atEnd = false;
    length = 0;
    for (const auto& operation : operations) {
      const std::size_t callsBefore = os.calls.size();
      PendingIoResult = 0;
      operation(*record);
      EXPECT_EQ(PendingIoResult, 103u) << &operation - operations;
      EXPECT_EQ(os.calls.size(), callsBefore);
    }
    EXPECT_EQ(countOut, kUntouched);
    EXPECT_TRUE(atEnd);
    EXPECT_EQ(length, -1);
  }
  for (auto open : {OpenExisting, OpenOrCreate}) {
    PendingIoResult = 0;
    open(neverBound, 1);
    EXPECT_EQ(PendingIoResult, 102u);
    EXPECT_NE(neverBound.state, OpenMode::kClosed);
  }
  EXPECT_EQ(os.CountOf(Call::kOpenFile), 1);
}

TEST_F(FileRecordTest, ShortfallWithoutCountOutIs100Or101) {
  FileRecord input;
  Open(input, "ten");
  os.ShortenNth(Call::kRead, 1, 4);
  ReadRecords(input, buffer, 10, nullptr);
  EXPECT_EQ(PendingIoResult, 100u);

  PendingIoResult = 0;
  SeekTo(input, 8);
  ReadRecords(input, buffer, 3, nullptr);  // two bytes left
  EXPECT_EQ(PendingIoResult, 100u);

  PendingIoResult = 0;
  FileRecord output;
  AssignName(output, "out");
  OpenOrCreate(output, 1);
  os.ShortenNth(Call::kWrite, 1, 3);
  WriteRecords(output, buffer, 5, nullptr);
  EXPECT_EQ(PendingIoResult, 101u);
  EXPECT_EQ(PendingFailure,
            "cannot write to `out': it took fewer bytes than it was given (error 101)");
  EXPECT_EQ(os.Contents("out").size(), 3u);
}

TEST_F(FileRecordTest, WriteOnInputIs103) {
  FileRecord input;
  Open(input, "ten");
  WriteRecords(input, buffer, 1, nullptr);
  EXPECT_EQ(PendingIoResult, 103u);
  EXPECT_EQ(os.CountOf(Call::kWrite), 0);
}

TEST_F(FileRecordTest, CountOutTakesShortfallsAndEndOfFileWithoutError) {
  FileRecord input;
  Open(input, "ten");
  std::int32_t count = -1;
  ReadRecords(input, buffer, 64, &count);
  EXPECT_EQ(count, 10);
  ReadRecords(input, buffer, 64, &count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(PendingIoResult, 0u);
}

TEST_F(FileRecordTest, FailuresRecordTheOsCodeAndAnswerHarmlessly) {
  FileRecord input;
  Open(input, "ten");
  os.FailNth(Call::kFileSize, 1, 6);
  EXPECT_TRUE(IsAtEnd(input));
  EXPECT_EQ(PendingIoResult, 6u);
  EXPECT_EQ(PendingFailure, "cannot get the size of `ten': words for 6 (error 6)");
  os.FailNth(Call::kSeek, 1, 131);
  EXPECT_TRUE(IsAtEnd(input));
  EXPECT_EQ(PendingIoResult, 131u);
  EXPECT_EQ(PendingFailure, "cannot seek in `ten': words for 131 (error 131)");
  os.FailNth(Call::kFileSize, 3, 1117);
  EXPECT_EQ(FileLength(input), -1);
  EXPECT_EQ(PendingIoResult, 1117u);
  // A failure that leaves no code must not pass for a success.
  os.lastErrorLost = true;
  std::int32_t count = -1;
  os.FailNth(Call::kRead, 1, 5);
  ReadRecords(input, buffer, 1, &count);
  EXPECT_EQ(PendingIoResult, 31u);
  EXPECT_EQ(PendingFailure, "cannot read `ten': words for 31 (error 31)");
  EXPECT_EQ(count, -1);
}

TEST_F(FileRecordTest, EndTestAndPositions) {
  os.AddFile("empty", "");
  FileRecord empty;
  Open(empty, "empty");
  EXPECT_TRUE(IsAtEnd(empty));

  FileRecord input;
  Open(input, "ten");
  EXPECT_FALSE(IsAtEnd(input));
  SeekTo(input, 9);
  EXPECT_FALSE(IsAtEnd(input));
  SeekTo(input, 25);  // past the end: accepted
  EXPECT_TRUE(IsAtEnd(input));
  EXPECT_EQ(PendingIoResult, 0u);
  // The end test and the size leave the position where it was.
  SeekTo(input, 3);
  IsAtEnd(input);
  FileLength(input);
  ReadRecords(input, buffer, 2, nullptr);
  EXPECT_EQ(std::string(buffer, 2), "34");
}

// The bytes of an existing file go only when Truncate cuts them, on the
// handle opened; a device is opened alike, and has no end to cut.
TEST_F(FileRecordTest, OpenOrCreateKeepsTheBytesUntilTruncated) {
  os.AddFile("device", "")->type = platform::FileType::kChar;
  int cuts = 0;
  for (const std::string name : {"ten", "new", "device"}) {
    SCOPED_TRACE(name);
    const std::string before = os.Exists(name) ? os.Contents(name) : "";
    FileRecord output;
    AssignName(output, name.c_str());
    OpenOrCreate(output, 1);
    EXPECT_EQ(PendingIoResult, 0u);
    EXPECT_EQ(output.state, OpenMode::kInputOutput);
    EXPECT_EQ(os.Contents(name), before);
    Truncate(output);
    EXPECT_EQ(PendingIoResult, 0u);
    EXPECT_EQ(os.Contents(name), "");
    EXPECT_EQ(FileLength(output), 0);
    if (name != "device") ++cuts;
    EXPECT_EQ(os.CountOf(Call::kSetEndOfFile), cuts);
    CloseFileRecord(output);
  }
}

TEST_F(FileRecordTest, OpenRequestsFollowDefaultOpenMode) {
  struct {
    std::uint8_t mode;
    std::uint32_t access;
    std::uint32_t share;
    OpenMode state;
  } const cases[] = {
      {0x00, platform::kGenericRead, 3, OpenMode::kInput},
      {0x01, platform::kGenericWrite, 3, OpenMode::kOutput},
      {0x02, platform::kGenericRead | platform::kGenericWrite, 3, OpenMode::kInputOutput},
      {0x03, platform::kGenericRead | platform::kGenericWrite, 3, OpenMode::kInputOutput},
      {0x10, platform::kGenericRead, 0, OpenMode::kInput},
      {0x20, platform::kGenericRead, 1, OpenMode::kInput},
      {0x30, platform::kGenericRead, 2, OpenMode::kInput},
      {0x40, platform::kGenericRead, 3, OpenMode::kInput},
      {0x70, platform::kGenericRead, 0, OpenMode::kInput},
      {0x8C, platform::kGenericRead, 3, OpenMode::kInput},  // bits 2, 3, 7 ignored
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    DefaultOpenMode = c.mode;
    FileRecord record;
    Open(record, "ten");
    EXPECT_EQ(record.state, c.state);
    const fake::FakeOs::OpenRequest& request = os.openRequests.back();
    EXPECT_EQ(request.access, c.access);
    EXPECT_EQ(request.share, c.share);
    EXPECT_EQ(request.disposition, platform::kOpenExisting);
    OpenOrCreate(record, 1);
    EXPECT_EQ(os.openRequests.back().access, platform::kGenericRead | platform::kGenericWrite);
    EXPECT_EQ(os.openRequests.back().share, c.share);
    EXPECT_EQ(os.openRequests.back().disposition, platform::kOpenAlways);
    CloseFileRecord(record);
  }
}

TEST_F(FileRecordTest, ReopeningClosesTheOldHandle) {
  FileRecord record;
  Open(record, "ten");
  OpenExisting(record, 1);
  EXPECT_EQ(os.OpenPaths(), std::vector<std::string>{"ten"});
  // A failed close is recorded, and the open goes on.
  os.FailNth(Call::kClose, 2, 6);
  OpenExisting(record, 1);
  EXPECT_EQ(PendingIoResult, 6u);
  EXPECT_EQ(record.state, OpenMode::kInput);
  EXPECT_EQ(os.CountOf(Call::kClose), 2);
  PendingIoResult = 0;
  ReadRecords(record, buffer, 10, nullptr);
  EXPECT_EQ(PendingIoResult, 0u);
}

}  // namespace
