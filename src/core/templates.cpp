#include "core/templates.h"

#include "core/app_folder.h"
#include "files/safe_file.h"
#include "text/cp932.h"

namespace bq {

std::optional<std::string> loadTemplate(const std::filesystem::path& file, std::string* why,
                                        std::size_t* badLine) {
  // A folder, a FIFO or a device in a template's place is refused, never waited on or read.
  files::ReadResult r = files::readRegularFile(file, {kMaxTemplate, kMaxTemplate});
  if (r.error == files::ReadError::None) {
    if (badLine) {
      text::Decided d = text::decideEncoding(r.bytes);
      *badLine = d.clean() ? 0 : text::lineAt(r.bytes, d, d.bad);
    }
    return text::decodeText(r.bytes);
  }
  if (why) {
    *why =
        r.error == files::ReadError::TooLarge ? "ファイルが大きすぎます（16MB まで）。" : r.reason;
  }
  return std::nullopt;
}

std::string missingTemplateMessage(const std::vector<std::filesystem::path>& files) {
  std::string text = "テンプレートファイルを読み込めません。\r\n";
  for (const auto& f : files) {
    std::string why;
    loadTemplate(f, &why);
    text += displayPath(f) + (why.empty() ? "" : "（" + why + "）") + "\r\n";
  }
  return text + "\r\nファイルが削除されたか、読み取りできません。Bidquillを入れ直してください。";
}

}  // namespace bq
