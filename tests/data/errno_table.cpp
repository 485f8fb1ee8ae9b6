#include "data/errno_table.h"

#include <cstring>
#include <stdexcept>

#include "data/tables.h"

namespace test_data {
namespace {

// The C library names its own values: no second list of names to keep.
int ErrnoNamed(const std::string& name) {
  for (int value = 1; value < 4096; ++value) {
    const char* known = ::strerrorname_np(value);
    if (known != nullptr && name == known) return value;
  }
  throw std::runtime_error("no errno is named " + name);
}

}  // namespace

std::vector<ErrnoRow> ErrnoTable() {
  std::vector<ErrnoRow> table;
  for (const Row& row : ReadTable("win32_errors.txt")) {
    table.push_back({row.at(0), ErrnoNamed(row.at(0)),
                     static_cast<std::uint32_t>(std::stoul(row.at(1)))});
  }
  return table;
}

std::uint32_t Win32NumberOf(int errnoValue) {
  static const std::vector<ErrnoRow> table = ErrnoTable();
  for (const ErrnoRow& row : table) {
    if (row.errnoValue == errnoValue) return row.win32;
  }
  throw std::runtime_error("win32_errors.txt has no errno " + std::to_string(errnoValue));
}

}  // namespace test_data
