// The pending I/O result: where every failing runtime operation records its
// code, and the check that turns a recorded code into the run-time error exit.
#pragma once

#include <cstdint>

namespace runtime {

// The runtime's own codes; every other code is the operating system's.
inline constexpr std::uint32_t kShortRead = 100;
inline constexpr std::uint32_t kShortWrite = 101;
inline constexpr std::uint32_t kNeverBound = 102;
inline constexpr std::uint32_t kNotOpen = 103;
inline constexpr std::uint32_t kNotOpenForOutput = 105;

// The code of the last failing operation, 0 when none failed. Nothing resets
// it: the first check that sees a code ends the program.
extern std::uint32_t PendingIoResult;

void SetPendingIoResult(std::uint32_t code);
// The operating system's last error code; never 0, since a failed call that
// left no code must not pass a check as a success.
std::uint32_t LastOsError();
// Records the operating system's last error code.
void SetPendingIoResultFromOs();

// Ends the program with the run-time error exit when a code is pending. The
// location reported is the return point of this call, so that each check
// site of the program is told apart.
void CheckIo();

}  // namespace runtime
