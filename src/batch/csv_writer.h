// The spreadsheet again with one column added: every byte of the file as it was, its encoding
// and line ends kept, and after each record one more cell, quoted as Excel quotes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "batch/csv_reader.h"

namespace bq::batch {

// Writes `bytes` with a column added into `out`: `header` in the first record, `valueFor(record)`
// in the others (UTF-8; in a code page 932 file what it cannot hold becomes a character
// reference, as in the page). Records shorter than the widest get empty cells first, so the
// new column is one column of the sheet. Nothing is written on an error.
std::optional<CsvError> appendColumn(std::string_view bytes, const std::string& header,
                                     const std::function<std::string(const CsvRecord&)>& valueFor,
                                     std::string& out);

// The widest record's cells (Excel leaves empty trailing cells on some rows); the error of a
// file that cannot be read.
std::optional<CsvError> widestRecord(std::string_view bytes, std::size_t& widest);

// One record of the copy into `out`: its bytes, empty cells up to `widest`, `value` as one more
// cell, and its line end.
void appendRecord(std::string& out, std::string_view bytes, const CsvReader& reader,
                  const CsvRecord& record, std::size_t widest, const std::string& value);
// The same with the value already in the file's encoding.
void appendEncodedRecord(std::string& out, std::string_view bytes, const CsvReader& reader,
                         const CsvRecord& record, std::size_t widest, std::string_view encoded);

// The same with the value put into the record's cell `column` instead of a cell added (empty
// cells first where the record is shorter); every other byte stays.
void replaceEncodedCell(std::string& out, std::string_view bytes, const CsvReader& reader,
                        const CsvRecord& record, std::size_t column, std::string_view encoded);

}  // namespace bq::batch
