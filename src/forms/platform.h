// What the engine needs from the desktop: dialogs, messages, clipboard, the two browsers, the
// shell and the splash. The Qt program implements it with real widgets; the command line and
// the tests use the headless implementation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bq {

enum class MessageIcon { Information, Warning, Critical };

enum class FileDialogMode { Open, Save, Folder };

struct FileDialogRequest {
  FileDialogMode mode = FileDialogMode::Open;
  std::string fileName;  // offered as the initial name
  std::string filter;    // "INI (*.ini)|*.ini"; the first pattern's extension is added to a
                         // saved name that has none
  bool overwritePrompt = false;
  std::string title;  // what the dialog is for; empty: the platform's own title
};

// A question with buttons of its own ("保存" / "保存しない" / "キャンセル"). Each choice has a
// key the command line and the tests answer with.
struct Choice {
  std::string key;      // "save"
  std::string caption;  // "保存"
};
struct Question {
  std::string text;
  std::string title;
  std::vector<Choice> choices;
  std::string escapeKey;  // what closing the box without a choice means
};

struct ScrollPosition {
  int left = 0;
  int top = 0;
};

// What changed in a page file since the version shown before, in the page's text as a browser
// decodes the file, counted in UTF-16 code units as browsers' strings count: the `removed`
// units from `start` give way to `inserted` (UTF-8).
struct PageEdit {
  std::size_t start = 0;
  std::size_t removed = 0;
  std::string inserted;
};

class Browser {
 public:
  virtual ~Browser() = default;
  virtual void navigate(const std::filesystem::path& file) = 0;
  // Whether the browser keeps the text it shows, and so takes a new version as an edit.
  virtual bool takesEdits() const { return false; }
  // The file again, changed by `edit` since the version of the last call for it: the browser
  // puts the change into the text it keeps without reading the file.
  virtual void showEdit(const std::filesystem::path& file, const PageEdit&) { navigate(file); }
  // The position of the document shown now; 0, 0 when there is none.
  virtual ScrollPosition scrollPosition() = 0;
  // Scrolls the document (once it has loaded) to the position.
  virtual void scrollTo(ScrollPosition p) = 0;
};

// What the listing checks found, for the panel beside the preview window's page.
struct ListingReport {
  std::vector<std::string> findings;  // one line each: section, line, what to do
  std::string size;                   // the page's size, always shown
  bool fixable = false;               // some "<" can be written "&lt;"
};

// Makes the report. It holds copies of what it checks, so a window may run it on a thread of its
// own and stay responsive however long the listing is.
using ReportMaker = std::function<ListingReport()>;

class PreviewWindow {
 public:
  virtual ~PreviewWindow() = default;
  // Shows the report `make` makes; `fix` writes the stray "<" as "&lt;" (and shows the report
  // again).
  virtual void showReport(ReportMaker make, std::function<void()> fix) = 0;
  virtual void hide() = 0;
  virtual Browser& browser() = 0;
  virtual void setSourceText(const std::string& html) = 0;
  virtual void showAndFocus() = 0;
};

class Splash {
 public:
  virtual ~Splash() = default;
  virtual void show(int maximum) = 0;
  virtual void setProgress(int value) = 0;
  virtual void close() = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;
  // The chosen colour number (0x00BBGGRR), or nothing when the seller cancels. The dialog
  // starts at `initial` (the colour being changed) and offers `remembered` (the last choice)
  // among its custom colours.
  virtual std::optional<std::int32_t> chooseColour(std::int32_t initial,
                                                   std::int32_t remembered) = 0;
  virtual std::optional<std::string> chooseFile(const FileDialogRequest& request) = 0;
  virtual void showMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;
  // The key of the choice the seller made.
  virtual std::string ask(const Question& question) = 0;
  // Clears the clipboard and puts the text on it.
  virtual void setClipboardText(const std::string& text) = 0;
  virtual Browser& mainBrowser() = 0;
  // The preview window, created when first asked for.
  virtual PreviewWindow& previewWindow() = 0;
  virtual Splash& splash() = 0;
  // Opens an address in the seller's default browser; false when that failed.
  virtual bool openUrl(const std::string& url) = 0;
  // Lets the window system handle what is pending (paint the splash, start a load).
  virtual void processEvents() = 0;
  // A note for the seller that needs no answer (the main window's status bar).
  virtual void showStatus(const std::string& text) = 0;
};

}  // namespace bq
