// 元に戻す and やり直す: one history of the listing for the window, the browser edition and
// scripts. A step is what one action of the seller changed in the values the settings file
// holds (a tick, a colour, a design applied as a whole), or a run of typing in one box up to the
// end of a word or a pause. Steps keep only what changed (a text's changed stretch, not the
// text), against one copy of the values as they stand; going back or forward brings the
// controls to the values as loading a file holding them would.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "forms/controls.h"
#include "page/page_output.h"

namespace bq {

class frmMain;

class History {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  explicit History(frmMain& form);

  // From now on the seller's changes are recorded; the values as they stand start the history.
  void watch();
  // A new history from the values as they stand (a file opened, work restored). `atSaved`:
  // they are a saved file's, so coming back to them clears the modified mark.
  void restart(bool atSaved = true);
  // The values as they stand were saved.
  void markSaved();

  // Everything changed while the outermost of these lives is one step (the front ends wrap
  // each action of the seller in one). Changes made outside one become a step of their own.
  class Action {
   public:
    explicit Action(History& h);
    ~Action() { h_.end(); }
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;

   private:
    History& h_;
    PageOutput::Deferred page_;  // the action's page, assembled once as it ends
  };

  bool canUndo();
  bool canRedo() const { return done_ < steps_.size(); }
  // Takes back the last step, or does again the last one taken back; false when there is none.
  bool undo();
  bool redo();

  // Told when what can be undone or redone may have changed.
  std::function<void()> onChange;
  // Typing merges while keys come closer together than this.
  static constexpr std::chrono::milliseconds kPause{1500};
  void setClock(Clock clock) { clock_ = std::move(clock); }

  // Bytes the steps hold (the copy of the values not counted): for the benchmark.
  std::size_t stepBytes() const;
  std::size_t steps() const { return steps_.size(); }

  PushButton cmdUndo{"cmdUndo", "元に戻す"};
  PushButton cmdRedo{"cmdRedo", "やり直す"};

 private:
  // One key's change: at `at` (bytes), `removed` became `inserted`. A value other than a text
  // is kept whole (at 0).
  struct Change {
    std::size_t key;
    std::size_t at;
    std::string removed, inserted;
  };
  struct Step {
    std::vector<Change> changes;
    bool typing = false;  // one text's insertion or deletion, which the next keys may extend
    std::chrono::steady_clock::time_point when;
  };

  void begin();
  void end();
  void changed(std::size_t key);
  // The pending changes become a step (or extend the typing before them).
  void commit();
  bool merge(const Change& c, std::chrono::steady_clock::time_point now);
  // Brings the controls to the copy's values.
  void applyValues();
  // Every key's value, the texts not copied yet read from their boxes.
  std::vector<std::string> allValues() const;
  void told();
  static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);

  frmMain& form_;
  bool watching_ = false;
  bool applying_ = false;
  int depth_ = 0;
  // Every key's value as saving writes it, texts whole. A text is copied only once it changes
  // (until then its box holds it): opening a listing of megabytes adds nothing here.
  std::vector<std::string> values_;
  std::vector<char> known_;    // per key: values_ holds it
  std::vector<char> pending_;  // per key: changed since the last step
  std::vector<std::size_t> pendingKeys_;
  std::vector<Step> steps_;
  std::size_t done_ = 0;      // steps_[0, done_) are done; the rest were taken back
  std::size_t saved_ = 0;     // where the values are the saved file's; kNowhere: nowhere
  bool breakTyping_ = false;  // the next typing starts a step of its own
  Clock clock_ = [] { return std::chrono::steady_clock::now(); };
};

}  // namespace bq
