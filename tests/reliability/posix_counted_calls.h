// The system calls of a whole join on PosixOs, counted in memory that the
// test shares with the child the join runs in: the k-th call fails with an
// errno of its kind, and every call is logged with the file it is about.
#pragma once

#include <cstdint>
#include <map>

#include "platform/posix/posix_os.h"

namespace reliability {

enum class Sys {
  kOpen, kRead, kWrite, kLseek, kFstat, kStat, kFtruncate, kClose, kFcntl, kReadlink, kSignal,
  kFstatfs
};

const char* SysName(Sys sys);

// The errno each call fails with, and the Win32 code PosixOs makes of it.
int ErrnoFor(Sys sys);
std::uint32_t CodeFor(Sys sys);

// Which file a call is about.
enum class Target { kOther, kFirst, kSecond, kOutput, kStdout };

struct Entry {
  Sys sys;
  Target target;
  int fd;
  bool ok;
  bool names;  // an open of a name descriptor (O_PATH), which transfers nothing
};

constexpr int kMaxEntries = 4096;

// Lives in memory shared between the test and its forked child.
struct Shared {
  int failAt;  // the call that fails, counting from 1; 0: none
  bool failLasts;  // every call after failAt fails too
  bool choppy;  // every transfer first interrupted, then cut short
  int count;
  Entry log[kMaxEntries];
  char paths[3][256];  // first, second, output
};

extern Shared* shared;
// The child's descriptors and the files they hold.
extern std::map<int, Target> fdTargets;

platform::SystemCalls CountedCalls();

}  // namespace reliability
