// What the desktop programs set up around Qt, so that a run prints only what is the program's
// and leaves nothing behind.
#pragma once

#include <filesystem>

namespace bq::gui {

// The runtime folder Qt asks for (XDG_RUNTIME_DIR) while the application starts. Where the
// session gives none, Qt says so on the terminal and makes /tmp/runtime-USER, which stays.
// Instead a private folder stands in for it from this object's making until `release()`, right
// after the QApplication is made: then the variable is unset again, so that the engine chooses
// its page folder as it would without it, and the folder goes.
class RuntimeFolder {
 public:
  RuntimeFolder();
  ~RuntimeFolder() { release(); }
  RuntimeFolder(const RuntimeFolder&) = delete;
  RuntimeFolder& operator=(const RuntimeFolder&) = delete;
  void release();

 private:
  std::filesystem::path made_;
};

// QtWebEngine's notices for its own developers (its set-up, "Sandboxing disabled by user") stay
// off the seller's terminal; the program says in Japanese what the seller needs to know. Call
// before the QApplication exists. QT_LOGGING_RULES still turns the set-up report back on.
void quietWebEngine();

// The previews hand their pages to the event loop to delete (see PreviewView). Once the loop is
// over, this deletes them, before the browser's profile goes with the application: a profile
// released with pages still alive makes Chromium warn of "troubles".
void deletePagesLeft();

}  // namespace bq::gui
