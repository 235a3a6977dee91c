// bidquill-cli batch: a description for every row of a spreadsheet, into a copy of the sheet
// with one column added and, if asked, one .html file per row.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace bq::cli {

struct BatchCommand {
  std::filesystem::path appFolder;
  std::filesystem::path design;  // a settings file every row starts from; else the start page
  std::filesystem::path items;
  std::filesystem::path output;
  std::filesystem::path htmlDir;
  std::string nameColumn;         // a header or a column letter
  std::string header;             // the added column's header; empty: the default
  std::string replace;            // an existing column the pages go into (header or letter)
  std::vector<std::string> maps;  // "欄1 本文=説明": a target and a header (empty: none)
};

// Returns 0 when every row is clean, 1 when a check found something, 2 on an error (nothing
// written). The findings and the summary go to `report`, errors to `errors`.
int runBatch(const BatchCommand& c, std::ostream& report, std::ostream& errors);

}  // namespace bq::cli
