// The listing as a document: which settings file it came from, whether the seller has changed
// it since, the question before anything would throw changes away, and the recovery file that
// keeps unsaved work through a crash. Both front ends and the command line share it.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace bq {

class IniDocument;

class frmMain;

class Document {
 public:
  explicit Document(frmMain& form);

  // From now on a change to any value the settings file holds marks the document modified.
  void watch();

  // The last file opened or saved successfully; empty for a new listing.
  const std::filesystem::path& currentFile() const { return file_; }
  bool modified() const { return modified_; }
  // "無題 — Bidquill", "listing.ini* — Bidquill" while modified.
  std::string windowTitle() const;
  // The same with Qt's "[*]" where the mark goes.
  std::string windowTitleTemplate() const;
  // Told whenever the file or the modified flag changes.
  std::function<void()> onStateChange;
  // Told after the settings file was written (the browser edition then hands the bytes over).
  std::function<void(const std::filesystem::path&)> onSaved;

  // Before anything would discard changes: asks whether to save them (and saves when told).
  // True when the caller may go on; false keeps everything as it is.
  bool settleChanges();
  // Saves to the current file without a dialog (with one when there is none); true when saved.
  bool save();
  // Saves under a name the seller picks; true when saved.
  bool saveAs();
  // Opens a file the seller named without the dialog (a dropped or recent file), after
  // settling the changes; true when it was opened.
  bool openFile(const std::filesystem::path& file);
  // Closes like the window does: true when the window may close (the recovery file goes).
  // Once closed, closing again does not ask again.
  bool close();

  // A change the program made on the seller's behalf (a design applied): unsaved from now on.
  void markModified();
  // Back at the values last saved or opened (the history went there).
  void markUnmodified() { setModified(false); }
  // A successful open or save (told by the settings file).
  void opened(const std::filesystem::path& file);
  void saved(const std::filesystem::path& file);

  // While this lives, changes are the program's own (start-up, a load), not the seller's.
  class Quiet {
   public:
    explicit Quiet(Document& d) : d_(d) { ++d_.quiet_; }
    ~Quiet() { --d_.quiet_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

   private:
    Document& d_;
  };

  // Crash recovery, on the desktop and in the browser alike: unsaved work is written after a
  // pause in the changes, and at least this often while they go on.
  static constexpr int kRecoveryPauseMs = 800;
  static constexpr int kRecoveryMostMs = 5000;
  // Whether the recovery file is due at `now` by that policy.
  bool recoveryDue(std::chrono::steady_clock::time_point now) const;
  // Where this run's recovery file lives (none: no recovery).
  void setRecoveryFile(const std::filesystem::path& file) { recovery_ = file; }
  const std::filesystem::path& recoveryFile() const { return recovery_; }
  // Writes the state into the recovery file when something changed since it was last written;
  // true when it wrote it.
  bool writeRecovery();
  // A recovery file left by a run that did not end cleanly: asks the seller, then restores it
  // (the document is modified, with its original file name, and the file becomes this run's
  // recovery file) or deletes it. True when restored.
  bool offerRecovery(const std::filesystem::path& left);
  void discardRecovery();

 private:
  void setModified(bool m);
  // Saved or opened: the file is the work's, unmodified, and no recovery is needed.
  void settled(const std::filesystem::path& file);
  // Sets both and tells onStateChange.
  void setState(std::filesystem::path file, bool modified);
  void changed();
  bool restore(const std::filesystem::path& left, const IniDocument& doc);

  frmMain& form_;
  std::filesystem::path file_;
  bool modified_ = false;
  bool watching_ = false;
  bool closed_ = false;
  int quiet_ = 0;
  std::filesystem::path recovery_;
  bool recoveryStale_ = false;  // changes since the recovery file was written
  std::chrono::steady_clock::time_point firstStale_, lastChange_, lastAttempt_;
  bool recoveryFailing_ = false;  // the last write of it failed (said once)
};

}  // namespace bq
