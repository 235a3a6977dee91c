// The platform without a display: dialog answers are queued in advance, and everything the
// engine shows or hands out is recorded for the command line and the tests to inspect.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "forms/platform.h"

namespace bq {

struct RecordedMessage {
  std::string text;
  std::string title;
  MessageIcon icon;
};

class HeadlessBrowser : public Browser {
 public:
  void navigate(const std::filesystem::path& file) override {
    navigations.push_back(file);
    if (recordsEdits) edits.emplace_back();
  }
  bool takesEdits() const override { return recordsEdits; }
  void showEdit(const std::filesystem::path& file, const PageEdit& edit) override {
    navigations.push_back(file);
    edits.emplace_back(edit);
  }
  ScrollPosition scrollPosition() override { return position; }
  void scrollTo(ScrollPosition p) override {
    position = p;
    ++scrollRestores;
  }

  std::vector<std::filesystem::path> navigations;
  // What each navigation said changed, when asked for (a long run would keep every text).
  bool recordsEdits = false;
  std::vector<std::optional<PageEdit>> edits;
  ScrollPosition position;
  int scrollRestores = 0;
};

class HeadlessPreviewWindow : public PreviewWindow {
 public:
  void hide() override { shown = false; }
  Browser& browser() override { return browser_; }
  void setSourceText(const std::string& html) override { sourceText = html; }
  void showReport(ReportMaker make, std::function<void()> f) override {
    report = make();
    fix = std::move(f);
  }
  void showAndFocus() override {
    shown = true;
    ++timesShown;
  }

  HeadlessBrowser browser_;
  std::string sourceText;
  ListingReport report;
  std::function<void()> fix;
  bool shown = false;
  int timesShown = 0;
};

class HeadlessSplash : public Splash {
 public:
  void show(int max) override {
    maximum = max;
    value = 0;
    visible = true;
  }
  void setProgress(int v) override { value = v; }
  void close() override { visible = false; }

  int maximum = 0;
  int value = 0;
  bool visible = false;
};

class HeadlessPlatform : public Platform {
 public:
  // Answers for the next dialogs, in order. A dialog takes the first answer; when nothing is
  // queued, or the answer is Cancel or meant for the other kind of dialog, it is cancelled.
  void queueColour(std::int32_t c) { answers_.push_back({Answer::Colour, c, {}}); }
  void queueFile(std::string path) { answers_.push_back({Answer::File, 0, std::move(path)}); }
  void queueCancel() { answers_.push_back({Answer::Cancel, 0, {}}); }
  // The answer to the next question, by its key ("save", "discard", "cancel", "restore").
  void queueAnswer(std::string key) { answers_.push_back({Answer::Choice, 0, std::move(key)}); }
  std::size_t pendingAnswers() const { return answers_.size(); }

  std::optional<std::int32_t> chooseColour(std::int32_t initial, std::int32_t remembered) override;
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  // The queued answer when it is one of the question's keys, else the escape key.
  std::string ask(const Question& question) override;
  void setClipboardText(const std::string& text) override { clipboard = text; }
  Browser& mainBrowser() override { return main; }
  PreviewWindow& previewWindow() override;
  Splash& splash() override { return splash_; }
  bool openUrl(const std::string& url) override;
  void processEvents() override { ++eventRounds; }
  void showStatus(const std::string& text) override { statuses.push_back(text); }

  // Called as each message is shown and each question asked (the command line prints them to
  // stderr).
  std::function<void(const RecordedMessage&)> onMessage;
  std::function<void(const Question&, const std::string& answer)> onQuestion;
  // Whether openUrl succeeds.
  bool shellWorks = true;

  std::vector<RecordedMessage> messages;
  std::vector<Question> questions;
  std::vector<std::string> statuses;
  std::vector<FileDialogRequest> fileRequests;
  std::vector<std::pair<std::int32_t, std::int32_t>> colourRequests;  // initial, remembered
  std::vector<std::string> openedUrls;
  std::optional<std::string> clipboard;
  HeadlessBrowser main;
  std::optional<HeadlessPreviewWindow> preview;
  HeadlessSplash splash_;
  int eventRounds = 0;
  int previewCreations = 0;

 private:
  struct Answer {
    enum Kind { Colour, File, Cancel, Choice } kind;
    std::int32_t colour;
    std::string text;  // the file, or the choice's key
  };
  std::optional<Answer> take();
  std::deque<Answer> answers_;
};

}  // namespace bq
