// The errno-to-Win32 table of win32_errors.txt, its names made the C
// library's errno values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_data {

struct ErrnoRow {
  std::string name;
  int errnoValue;
  std::uint32_t win32;
};

std::vector<ErrnoRow> ErrnoTable();

// The table's number for an errno; a value not in the table throws.
std::uint32_t Win32NumberOf(int errnoValue);

}  // namespace test_data
