// Reads the tables of test data kept in this folder, which the C++ tests,
// the Python tests and the fuzz seeds share: a row a line, its fields apart
// by tabs, \xHH for the byte HH; a line that begins with # is a comment.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace test_data {

using Row = std::vector<std::string>;

// The rows of a table of this folder, such as "usage.txt". A table that
// cannot be read throws, which fails the test that asked for it.
std::vector<Row> ReadTable(const std::string& name);

// The usage text as the program prints it, CR LF after every line.
std::string UsageText();

// The text named `name` in error_lines.txt with each {field} filled in.
std::string ErrorText(const std::string& name,
                      std::initializer_list<std::pair<std::string, std::string>> fields);

}  // namespace test_data
