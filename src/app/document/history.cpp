#include "app/document/history.h"

#include <algorithm>

#include "app/window/frm_main.h"
#include "settings/settings_keys.h"

namespace bq {
namespace {

// Typing up to here is a word: the next key starts a step of its own.
bool endsAWord(const std::string& s) {
  if (s.empty()) return false;
  char last = s.back();
  if (last == ' ' || last == '\n' || last == '\r' || last == '\t') return true;
  // 、 。 ！ ？ and the ideographic space, in UTF-8.
  for (const char* mark :
       {"\xE3\x80\x81", "\xE3\x80\x82", "\xEF\xBC\x81", "\xEF\xBC\x9F", "\xE3\x80\x80"}) {
    if (s.size() >= 3 && s.compare(s.size() - 3, 3, mark) == 0) return true;
  }
  return false;
}

}  // namespace

History::History(frmMain& form) : form_(form) {
  cmdUndo.onClick([this] { undo(); });
  cmdRedo.onClick([this] { redo(); });
  cmdUndo.setEnabled(false);
  cmdRedo.setEnabled(false);
}

void History::watch() {
  if (watching_) return;
  watching_ = true;
  const std::vector<SettingKey>& keys = settingKeys();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    Control* c = form_.registry().find(keys[i].control);
    c->observe([this, i] { changed(i); });
    if (keys[i].encoding == ValueEncoding::Text) {
      static_cast<TextBox*>(c)->observeBefore([this, i](const std::string& old) {
        if (known_[i]) return;
        values_[i] = old;
        known_[i] = 1;
      });
    }
  }
  restart();
}

void History::restart(bool atSaved) {
  if (!watching_) return;  // a copy without a window keeps no history
  const std::vector<SettingKey>& keys = settingKeys();
  values_.assign(keys.size(), std::string());
  known_.assign(keys.size(), 0);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].encoding == ValueEncoding::Text) continue;
    values_[i] = form_.settings.currentValue(keys[i]);
    known_[i] = 1;
  }
  pending_.assign(keys.size(), 0);
  pendingKeys_.clear();
  steps_.clear();
  done_ = 0;
  saved_ = atSaved ? 0 : kNowhere;
  breakTyping_ = false;
  told();
}

void History::markSaved() {
  if (!watching_) return;
  commit();
  saved_ = done_;
  breakTyping_ = true;  // typing after a save is not merged into the saved state's step
}

void History::changed(std::size_t key) {
  if (!watching_ || pending_[key]) return;
  pending_[key] = 1;
  pendingKeys_.push_back(key);
  if (!applying_) cmdUndo.setEnabled(true);  // a change outside an action is a step to come
}

History::Action::Action(History& h) : h_(h), page_(h.form_.output) {
  h_.begin();
}

void History::begin() {
  if (depth_++ == 0) commit();  // what changed outside an action is a step of its own
}

void History::end() {
  if (--depth_ == 0) commit();
}

void History::commit() {
  if (pendingKeys_.empty() || applying_) return;
  std::sort(pendingKeys_.begin(), pendingKeys_.end());
  std::vector<Change> changes;
  const std::vector<SettingKey>& keys = settingKeys();
  for (std::size_t key : pendingKeys_) {
    pending_[key] = 0;
    std::string& was = values_[key];
    Change c{key, 0, {}, {}};
    if (keys[key].encoding == ValueEncoding::Text) {
      // Read where it is (a body may be megabytes), and only the stretch between what is the
      // same at both ends kept.
      const std::string& now = form_.registry().find<TextBox>(keys[key].control)->text();
      if (now == was) continue;
      std::size_t head = 0, tail = 0;
      std::size_t most = std::min(was.size(), now.size());
      while (head < most && was[head] == now[head]) ++head;
      while (tail < most - head && was[was.size() - 1 - tail] == now[now.size() - 1 - tail]) ++tail;
      c.at = head;
      c.removed = was.substr(head, was.size() - head - tail);
      c.inserted = now.substr(head, now.size() - head - tail);
      was.replace(head, c.removed.size(), c.inserted);
    } else {
      std::string now = form_.settings.currentValue(keys[key]);
      if (now == was) continue;
      c.removed = std::move(was);
      c.inserted = now;
      was = std::move(now);
    }
    changes.push_back(std::move(c));
  }
  pendingKeys_.clear();
  if (changes.empty()) {
    // Changed and changed back, or chosen again as it was: nothing more to undo, and at the
    // saved values nothing to save.
    if (done_ == saved_) form_.document.markUnmodified();
    return told();
  }
  auto now = clock_();
  if (changes.size() == 1 && merge(changes[0], now)) return told();
  steps_.resize(done_);  // what was taken back cannot be done again after a new change
  if (saved_ != kNowhere && saved_ > done_) saved_ = kNowhere;
  const Change& only = changes[0];
  bool typing = changes.size() == 1 && ((keys[only.key].encoding == ValueEncoding::Text &&
                                         only.removed.empty() != only.inserted.empty()) ||
                                        keys[only.key].encoding == ValueEncoding::Number);
  steps_.push_back(Step{std::move(changes), typing, now});
  done_ = steps_.size();
  breakTyping_ = false;
  told();
}

bool History::merge(const Change& c, std::chrono::steady_clock::time_point now) {
  if (breakTyping_ || done_ == 0 || done_ != steps_.size() || saved_ == done_) return false;
  Step& last = steps_.back();
  if (!last.typing || now - last.when > kPause) return false;
  Change& p = last.changes[0];
  if (p.key != c.key) return false;
  if (settingKeys()[p.key].encoding == ValueEncoding::Number) {
    // A width typed digit by digit (750, 6, 60, 600) is one step, as a price typed is; a
    // spinner's click (750, 760) is a step of its own.
    const std::string &before = p.inserted, &after = c.inserted;
    bool digitMore =
        after.size() == before.size() + 1 && after.compare(0, before.size(), before) == 0;
    bool digitLess =
        before.size() == after.size() + 1 && before.compare(0, after.size(), after) == 0;
    if (c.removed != before || !(digitMore || digitLess)) return false;
    p.inserted = after;
    last.when = now;
    return true;
  }
  // A line break (Enter) starts a step of its own, and so does a word after one.
  if (!p.inserted.empty() && c.removed.empty() && c.at == p.at + p.inserted.size() &&
      !endsAWord(p.inserted) && c.inserted.find('\n') == std::string::npos) {
    p.inserted += c.inserted;  // the next keys of a word
  } else if (p.inserted.empty() && c.inserted.empty() && c.at + c.removed.size() == p.at) {
    p.removed.insert(0, c.removed);  // backspace after backspace
    p.at = c.at;
  } else {
    return false;
  }
  last.when = now;
  return true;
}

bool History::canUndo() {
  commit();
  return done_ > 0;
}

bool History::undo() {
  commit();
  if (done_ == 0) return false;
  const Step& s = steps_[--done_];
  for (auto it = s.changes.rbegin(); it != s.changes.rend(); ++it) {
    values_[it->key].replace(it->at, it->inserted.size(), it->removed);
  }
  applyValues();
  return true;
}

bool History::redo() {
  commit();
  if (done_ >= steps_.size()) return false;
  const Step& s = steps_[done_++];
  for (const Change& c : s.changes) values_[c.key].replace(c.at, c.removed.size(), c.inserted);
  applyValues();
  return true;
}

std::vector<std::string> History::allValues() const {
  std::vector<std::string> all = values_;
  const std::vector<SettingKey>& keys = settingKeys();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (!known_[i]) all[i] = form_.settings.currentValue(keys[i]);
  }
  return all;
}

void History::applyValues() {
  applying_ = true;
  form_.settings.loadValues(allValues());
  applying_ = false;
  // Whatever loading settled on is the value from now on (it is what saving would write).
  const std::vector<SettingKey>& keys = settingKeys();
  for (std::size_t key : pendingKeys_) {
    pending_[key] = 0;
    values_[key] = form_.settings.currentValue(keys[key]);
    known_[key] = 1;
  }
  pendingKeys_.clear();
  breakTyping_ = true;
  if (done_ == saved_) {
    form_.document.markUnmodified();
  } else {
    form_.document.markModified();
  }
  told();
}

void History::told() {
  cmdUndo.setEnabled(done_ > 0 || !pendingKeys_.empty());
  cmdRedo.setEnabled(done_ < steps_.size());
  if (onChange) onChange();
}

std::size_t History::stepBytes() const {
  std::size_t n = 0;
  for (const Step& s : steps_) {
    n += sizeof(Step);
    for (const Change& c : s.changes)
      n += sizeof(Change) + c.removed.capacity() + c.inserted.capacity();
  }
  return n;
}

}  // namespace bq
