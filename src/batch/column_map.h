// Which column of a spreadsheet goes into which title or body: by the header's name ("欄1 本文",
// "本文1", "見出し3", full-width digits too) or, for a body, by the section's title as the
// design has it ("商品説明"). Sections 5 and 6 have generated bodies (shipping, payment), so
// only their titles take a column.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace bq::batch {

struct Target {
  int section = 0;  // 1..8
  bool title = false;
  bool operator==(const Target& o) const { return section == o.section && title == o.title; }
};

// The target each header names, or nothing. A header that names a target ("欄1 本文") wins over
// one equal to a section's title ("商品名"); a target named twice goes to its first column.
// `titles` are the eight section titles of the design, in order. What was decided between
// columns that want the same target is added to `notes`, in Japanese.
std::vector<std::optional<Target>> mapColumns(const std::vector<std::string>& headers,
                                              const std::array<std::string, 8>& titles,
                                              std::vector<std::string>* notes = nullptr);

// What the seller should know of the sheet's headers: one header on two columns, and the added
// column's header equal to one the sheet has (none added: empty).
std::vector<std::string> headerNotes(const std::vector<std::string>& headers,
                                     const std::string& added);

// "B列「説明」": a column as messages name it.
std::string columnLabel(const std::vector<std::string>& headers, std::size_t column);

// The target a name gives ("欄3 本文", "本文3", "見出し1"), or nothing.
std::optional<Target> targetNamed(const std::string& name);

// The column a header names (exactly, else ignoring blanks), or a column letter ("C"); nothing
// when none does.
std::optional<std::size_t> findColumn(const std::vector<std::string>& headers,
                                      const std::string& name);

// The column the pages' files are named from unless the seller chooses another: the one headed
// 管理番号 (the item number sellers keep), else none (the files are named by row).
std::optional<std::size_t> defaultNameColumn(const std::vector<std::string>& headers);

// A title or body takes one column: `column` taking its target lets go of it in every other.
void keepTargetIn(std::vector<std::optional<Target>>& columns, std::size_t column);

// How much of a cell the mapping dialogs show in the table, and in the cell's tooltip.
inline constexpr int kShownCellChars = 80;
inline constexpr int kCellTipChars = 600;

// Everything a column may go into, in the window's order: each title, and each body the seller
// types (not the shipping and payment sections' made ones).
std::vector<Target> mappableTargets();

// "欄3 本文" / "欄3 見出し": the name a target goes by in messages and in --map.
std::string targetName(const Target& t);

}  // namespace bq::batch
