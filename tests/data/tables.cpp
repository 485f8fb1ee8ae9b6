#include "data/tables.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace test_data {
namespace {

int HexDigit(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  return -1;
}

std::string Unescape(const std::string& field) {
  std::string bytes;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] == 'x' &&
        HexDigit(field[i + 2]) >= 0 && HexDigit(field[i + 3]) >= 0) {
      bytes.push_back(static_cast<char>(HexDigit(field[i + 2]) * 16 + HexDigit(field[i + 3])));
      i += 3;
    } else {
      bytes.push_back(field[i]);
    }
  }
  return bytes;
}

}  // namespace

std::vector<Row> ReadTable(const std::string& name) {
  const std::string path = std::string(VIMBREL_TEST_DATA) + "/" + name;
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read the table " + path);
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::vector<Row> rows;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line[0] == '#') continue;
    Row row;
    for (std::size_t from = 0;;) {
      const std::size_t tab = line.find('\t', from);
      row.push_back(Unescape(line.substr(from, tab - from)));
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    rows.push_back(row);
  }
  return rows;
}

std::string UsageText() {
  std::string text;
  for (const Row& row : ReadTable("usage.txt")) text += row.at(0) + "\r\n";
  return text;
}

std::string ErrorText(const std::string& name,
                      std::initializer_list<std::pair<std::string, std::string>> fields) {
  for (const Row& row : ReadTable("error_lines.txt")) {
    if (row.at(0) != name) continue;
    std::string text = row.at(1);
    for (const auto& [field, value] : fields) {
      const std::string mark = "{" + field + "}";
      const std::size_t at = text.find(mark);
      if (at == std::string::npos) throw std::runtime_error(name + " has no " + mark);
      text.replace(at, mark.size(), value);
    }
    return text;
  }
  throw std::runtime_error("error_lines.txt has no " + name);
}

}  // namespace test_data
