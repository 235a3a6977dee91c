#include "forms/headless_platform.h"

namespace bq {

std::optional<HeadlessPlatform::Answer> HeadlessPlatform::take() {
  if (answers_.empty()) return std::nullopt;
  Answer a = answers_.front();
  answers_.pop_front();
  return a;
}

std::optional<std::int32_t> HeadlessPlatform::chooseColour(std::int32_t initial,
                                                           std::int32_t remembered) {
  colourRequests.emplace_back(initial, remembered);
  auto a = take();
  if (!a || a->kind != Answer::Colour) return std::nullopt;
  return a->colour;
}

std::optional<std::string> HeadlessPlatform::chooseFile(const FileDialogRequest& request) {
  fileRequests.push_back(request);
  auto a = take();
  if (!a || a->kind != Answer::File) return std::nullopt;
  return a->text;
}

std::string HeadlessPlatform::ask(const Question& question) {
  questions.push_back(question);
  auto a = take();
  std::string answer = question.escapeKey;
  if (a && a->kind == Answer::Choice) {
    for (const Choice& c : question.choices) {
      if (c.key == a->text) answer = c.key;
    }
  }
  if (onQuestion) onQuestion(question, answer);
  return answer;
}

void HeadlessPlatform::showMessage(const std::string& text, const std::string& title,
                                   MessageIcon icon) {
  messages.push_back({text, title, icon});
  if (onMessage) onMessage(messages.back());
}

PreviewWindow& HeadlessPlatform::previewWindow() {
  if (!preview) {
    preview.emplace();
    ++previewCreations;
  }
  return *preview;
}

bool HeadlessPlatform::openUrl(const std::string& url) {
  openedUrls.push_back(url);
  return shellWorks;
}

}  // namespace bq
