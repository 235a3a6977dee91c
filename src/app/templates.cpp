#include "app/templates.h"

#include "app/app_folder.h"
#include "text/cp932.h"

namespace bq {

std::optional<std::string> loadTemplate(const std::filesystem::path& file) {
  auto bytes = readWholeFile(file);
  if (!bytes) return std::nullopt;
  return text::decodeText(*bytes);
}

std::string missingTemplateMessage(const std::vector<std::filesystem::path>& files) {
  std::string text = "テンプレートファイルを読み込めません。\r\n";
  for (const auto& f : files) text += displayPath(f) + "\r\n";
  return text + "\r\nファイルが削除されたか、読み取りできません。Bidquillを入れ直してください。";
}

}  // namespace bq
