// Reads the tables of the project's Markdown documents, for the tests that
// hold a document's table to the declarations it describes.
#pragma once

#include <cstddef>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace corvane::test {

using MarkdownRow = std::vector<std::string>;

// The whole file; empty when it cannot be read.
inline std::string ReadDocument(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The body rows of the first table whose header row starts with `header`
// (the cells of the header, "| a | b |" as {"a", "b"}).
inline std::vector<MarkdownRow> MarkdownTable(const std::string& document,
                                              const MarkdownRow& header) {
  std::vector<MarkdownRow> rows;
  std::istringstream lines(document);
  std::string line;
  bool inside = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] != '|') {
      if (inside) break;
      continue;
    }
    MarkdownRow cells;
    std::istringstream parts(line.substr(1));
    std::string cell;
    while (std::getline(parts, cell, '|')) cells.push_back(TrimBlanks(cell));
    if (!inside) {
      inside = cells.size() >= header.size() &&
               MarkdownRow(cells.begin(),
                           cells.begin() + static_cast<std::ptrdiff_t>(header.size())) == header;
      continue;
    }
    if (cells.empty() || cells[0].find_first_not_of('-') == std::string::npos) {
      continue;  // the rule under the header
    }
    rows.push_back(cells);
  }
  return rows;
}

}  // namespace corvane::test
