// The pending I/O result: where every failing runtime operation records its
// code, and the check that turns a recorded code into the run-time error exit.
#pragma once

#include <cstdint>
#include <string>

namespace runtime {

struct IoRecord;

// The runtime's own codes; every other code is the operating system's.
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

// Records one of the runtime's own codes (the ones above, and 50 for a file
// that is no disk file), which the runtime describes itself: these numbers
// are Windows codes too, with other meanings.
void SetPendingIoResult(std::uint32_t code, Activity activity, const IoRecord& record);
// Records a code the operating system has just given, in the system's words.
void SetPendingOsResult(std::uint32_t code, Activity activity, const IoRecord& record);
// The same for a file named by its path alone.
void SetPendingOsResult(std::uint32_t code, Activity activity, const char* path);
// How SetPendingOsResult says a failure on a path, for a run that is refused
// rather than ended by a check.
std::string OsFailureText(std::uint32_t code, Activity activity, const char* path);
// The operating system's last error code; never 0, since a failed call that
// left no code must not pass a check as a success.
std::uint32_t LastOsError();
// Records the operating system's last error code.
void SetPendingIoResultFromOs(Activity activity, const IoRecord& record);

// A check site's own object: a failure that the check there catches reports
// this object's address, relative to the module that holds it, as its
// location. Distinct objects that may change never share an address, so no
// inlining, merging of identical code or folding by the linker can give two
// sites one location.
struct CheckSite {};

// Ends the program with the run-time error exit when a code is pending,
// reporting the site's location.
void CheckIo(CheckSite& site);

}  // namespace runtime

// A check site object of its own for each place where this is written: a
// lambda is a function of its own, with its own static. Written in a function
// that checks for several callers, it is one site for all of them: such a
// function takes its sites from its callers instead.
#define VIMBREL_CHECK_SITE()                                                \
  ([]() -> ::runtime::CheckSite& {                                          \
    static ::runtime::CheckSite vimbrelCheckSite;                           \
    return vimbrelCheckSite;                                                \
  }())
