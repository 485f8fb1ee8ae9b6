// The pending I/O result: where every failing runtime operation records its
// code, with the failure said for a person.
#pragma once

#include <cstdint>
#include <string>

namespace runtime {

// The runtime's own codes; every other code is the operating system's or the
// caller's.
inline constexpr std::uint32_t kShortRead = 100;
inline constexpr std::uint32_t kShortWrite = 101;
inline constexpr std::uint32_t kNeverBound = 102;
inline constexpr std::uint32_t kNotOpen = 103;
inline constexpr std::uint32_t kNotOpenForOutput = 105;

// The code of the last failing operation, 0 when none failed. Nothing resets
// it: the first check that sees a code ends the program.
extern std::uint32_t PendingIoResult;
// The same failure said for a person, for standard error at the program's
// end: what the operation was doing, on which file, why, and the code.
extern std::string PendingFailure;

// What a failing operation was doing.
enum class Activity : std::uint8_t {
  kOpen,
  kCreate,
  kRead,
  kWrite,
  kSeek,
  kSize,
  kClose,
  kExamine,
  kFind,
};

// How a failure names a file known by its path.
std::string Quoted(const char* path);
// The runtime's words for one of its own codes: these numbers are Windows
// codes too, with other meanings.
const char* RuntimeWords(std::uint32_t code);
// Records `code` for a failure on `where` (a quoted path, or what stands for
// one), said in `words`.
void SetPendingResult(std::uint32_t code, Activity activity, const std::string& where,
                      const std::string& words);

// Records a code the operating system has just given, in the system's words,
// for a file named by its path alone.
void SetPendingOsResult(std::uint32_t code, Activity activity, const char* path);
// How SetPendingOsResult says a failure on a path, for a run that is refused
// rather than ended by a check.
std::string OsFailureText(std::uint32_t code, Activity activity, const char* path);
// The same, in the caller's own words.
std::string FailureText(std::uint32_t code, Activity activity, const char* path,
                        const std::string& words);
// The operating system's last error code; never 0, since a failed call that
// left no code must not pass a check as a success.
std::uint32_t LastOsError();

}  // namespace runtime
