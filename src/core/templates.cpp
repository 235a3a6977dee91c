#include "core/templates.h"

#include <algorithm>

#include "core/app_folder.h"
#include "files/safe_file.h"
#include "text/cp932.h"

namespace bq {

TemplateText loadTemplate(const std::filesystem::path& file) {
  TemplateText t;
  // A folder, a FIFO or a device in a template's place is refused, never waited on or read.
  files::ReadResult r = files::readRegularFile(file, {kMaxTemplate, kMaxTemplate});
  if (r.error != files::ReadError::None) {
    t.why =
        r.error == files::ReadError::TooLarge ? "ファイルが大きすぎます（16MB まで）。" : r.reason;
    return t;
  }
  text::Decided d = text::decideEncoding(r.bytes);
  t.badLine = d.clean() ? 0 : text::lineAt(r.bytes, d, d.bad);
  std::string decoded = text::decodeText(r.bytes);
  // A NUL would end the page early for some readers: it is left out, and told.
  if (std::size_t nul = decoded.find('\0'); nul != std::string::npos) {
    t.nulLine = 1 + static_cast<std::size_t>(std::count(
                        decoded.begin(), decoded.begin() + static_cast<std::ptrdiff_t>(nul), '\n'));
    decoded.erase(std::remove(decoded.begin(), decoded.end(), '\0'), decoded.end());
  }
  t.text = std::move(decoded);
  return t;
}

std::string missingTemplateMessage(const std::vector<std::filesystem::path>& files) {
  std::string text = "テンプレートファイルを読み込めません。\r\n";
  for (const auto& f : files) {
    std::string why = loadTemplate(f).why;
    text += displayPath(f) + (why.empty() ? "" : "（" + why + "）") + "\r\n";
  }
  return text + "\r\nファイルが削除されたか、読み取りできません。Bidquillを入れ直してください。";
}

}  // namespace bq
