#include "app/script_runner.h"

#include <charconv>
#include <istream>
#include <ostream>

namespace bq {
namespace {

// Without exceptions: the browser edition builds the engine with them turned off.
bool parseInt(const std::string& s, long long& v) {
  const char* end = s.data() + s.size();
  auto [at, ec] = std::from_chars(s.data(), end, v);
  return !s.empty() && ec == std::errc() && at == end;
}

bool parseInt32(const std::string& s, int& v) {
  long long w;
  if (!parseInt(s, w) || w < INT32_MIN || w > INT32_MAX) return false;
  v = static_cast<int>(w);
  return true;
}

}  // namespace

bool splitArguments(const std::string& line, std::vector<std::string>& args, std::string& error) {
  args.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string arg;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          char e = line[i++];
          switch (e) {
            case 'n':
              arg += '\n';
              break;
            case 'r':
              arg += '\r';
              break;
            case 't':
              arg += '\t';
              break;
            default:
              arg += e;
              break;
          }
          continue;
        }
        arg += c;
      }
      if (!closed) {
        error = "unterminated quote";
        return false;
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') arg += line[i++];
    }
    args.push_back(std::move(arg));
  }
  return true;
}

bool printable(frmMain& form, HeadlessPlatform& platform, const std::string& name,
               std::string& value) {
  if (name == "clipboard") {
    value = platform.clipboard.value_or("");
    return true;
  }
  if (name == "checks") {
    // What the preview window's 出品前の確認 lists, one finding a line.
    for (const std::string& line : form.listingReport().findings) {
      value += (value.empty() ? "" : "\n") + line;
    }
    return true;
  }
  Registry& r = form.registry();
  if (Control* c = r.find(name)) {
    value = valueText(*c);
    return true;
  }
  if (r.hasValue(name)) {
    value = r.readValue(name);
    return true;
  }
  return false;
}

ScriptRunner::ScriptRunner(frmMain& form, HeadlessPlatform& platform, std::ostream& out)
    : form_(form), platform_(platform), out_(out) {}

int ScriptRunner::run(std::istream& script, const std::string& scriptName, std::string& error) {
  std::string line;
  int number = 0;
  while (!closed_ && std::getline(script, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> args;
    std::string why;
    bool ok = splitArguments(line, args, why);
    if (ok && (args.empty() || args[0][0] == '#')) continue;
    if (ok) ok = execute(args, why);
    if (!ok) {
      error = scriptName + ":" + std::to_string(number) + ": " + why;
      return 2;
    }
    // A dialog line answers the action after it; an answer that action did not take would
    // otherwise answer some later, unrelated question.
    if (args[0] == "dialog") {
      answerLines_.push_back(number);
    } else if (!answerLines_.empty()) {
      std::size_t left = platform_.pendingAnswers();
      if (left > 0) {
        error = scriptName + ":" + std::to_string(answerLines_[answerLines_.size() - left]) +
                ": the dialog answer was not taken by '" + args[0] + "' on line " +
                std::to_string(number);
        return 2;
      }
      answerLines_.clear();
    }
  }
  if (!closed_ && !answerLines_.empty()) {
    error = scriptName + ":" + std::to_string(answerLines_.front()) +
            ": the dialog answer has no action after it";
    return 2;
  }
  return 0;
}

bool ScriptRunner::execute(const std::vector<std::string>& a, std::string& error) {
  // Each action is one step of the listing's history.
  History::Action step(form_.history);
  return act(a, error);
}

bool ScriptRunner::act(const std::vector<std::string>& a, std::string& error) {
  const std::string& cmd = a[0];
  auto need = [&](std::size_t n) {
    if (a.size() == n) return true;
    error = "'" + cmd + "' takes " + std::to_string(n - 1) + " argument(s)";
    return false;
  };
  auto control = [&](const std::string& name) -> Control* {
    Control* c = form_.registry().find(name);
    if (!c) error = "unknown control '" + name + "'";
    return c;
  };
  // A box the seller can type `text` into, as in the window: shown, not read-only, and no NUL
  // (no keyboard types one).
  auto typedBox = [&](const std::string& name, const std::string& text,
                      std::string& why) -> TextBox* {
    auto* box = form_.registry().find<TextBox>(name);
    if (!box) {
      why = "'" + name + "' is not a text box";
    } else if (box->readOnly() || !box->visible()) {
      why = "'" + name + "' does not take typing";
    } else if (text.find('\0') != std::string::npos) {
      why = "'" + name + "' does not take a NUL character";
    } else {
      return box;
    }
    return nullptr;
  };

  if (cmd == "print") {
    if (!need(2)) return false;
    std::string value;
    if (!printable(form_, platform_, a[1], value)) {
      error = "unknown name '" + a[1] + "'";
      return false;
    }
    out_ << value << '\n';
    return true;
  }
  if (cmd == "dialog") {
    if (a.size() == 2 && a[1] == "cancel") {
      platform_.queueCancel();
      return true;
    }
    if (a.size() == 3 && (a[1] == "colour" || a[1] == "color")) {
      int c;
      if (!parseInt32(a[2], c)) {
        error = "colour number expected, got '" + a[2] + "'";
        return false;
      }
      platform_.queueColour(c);
      return true;
    }
    if (a.size() == 3 && a[1] == "file") {
      platform_.queueFile(a[2]);
      return true;
    }
    if (a.size() == 3 && a[1] == "answer") {
      platform_.queueAnswer(a[2]);
      return true;
    }
    error = "dialog takes 'colour N', 'file PATH', 'answer KEY' or 'cancel'";
    return false;
  }
  if (cmd == "fix") {
    if (!need(1)) return false;
    // The mend button beside the preview window's page.
    if (!platform_.preview || !platform_.preview->fix) {
      error = "fix needs the preview window (click cmdPreview first)";
      return false;
    }
    platform_.preview->fix();
    return true;
  }
  if (cmd == "undo" || cmd == "redo") {
    if (!need(1)) return false;
    // 元に戻す and やり直す (Ctrl+Z, Ctrl+Y).
    if (cmd == "undo") {
      form_.history.undo();
    } else {
      form_.history.redo();
    }
    return true;
  }
  if (cmd == "close") {
    if (!need(1)) return false;
    // As the window's close box: with the question's cancel the window stays and so does the run.
    closed_ = form_.document.close();
    return true;
  }
  if (cmd == "save" || cmd == "save-as") {
    if (!need(1)) return false;
    // Ctrl+S and Ctrl+Shift+S.
    if (cmd == "save") {
      form_.document.save();
    } else {
      form_.document.saveAs();
    }
    return true;
  }
  if (cmd == "open") {
    if (!need(2)) return false;
    // A file dropped on the window or picked from the recent files.
    form_.document.openFile(std::filesystem::u8path(a[1]));
    return true;
  }
  if (cmd == "open-design") {
    if (!need(2)) return false;
    // デザインを読み込む…: everything of the file but the titles and bodies.
    form_.settings.openDesign(std::filesystem::u8path(a[1]));
    return true;
  }
  if (cmd == "paste") {
    if (!need(3)) return false;
    TextBox* box = typedBox(a[1], a[2], error);
    if (!box) return false;
    box->replaceSelection(form_.pastedText(*box, a[2]));
    return true;
  }
  if (cmd == "click") {
    if (!need(2)) return false;
    Control* c = control(a[1]);
    if (!c) return false;
    if (userClick(*c)) return true;
    error = "'" + a[1] + "' cannot be clicked" +
            (c->kind() == ControlKind::ComboBox ? " (use choose)" : "");
    return false;
  }
  if (cmd == "choose") {
    if (!need(3)) return false;
    auto* box = form_.registry().find<ComboBox>(a[1]);
    int index;
    if (!box) {
      error = "'" + a[1] + "' is not a combo box";
      return false;
    }
    if (!parseInt32(a[2], index) || index < 0 || index >= static_cast<int>(box->items().size())) {
      error = "'" + a[1] + "' has no item '" + a[2] + "'";
      return false;
    }
    box->setListIndex(index);
    return true;
  }
  if (cmd == "type") {
    if (!need(3)) return false;
    TextBox* box = typedBox(a[1], a[2], error);
    if (!box) return false;
    box->setText(a[2]);
    return true;
  }
  if (cmd == "select") {
    long long start, length;
    auto* box = a.size() == 4 ? form_.registry().find<TextBox>(a[1]) : nullptr;
    if (!box || !parseInt(a[2], start) || !parseInt(a[3], length) || start < 0 || length < 0) {
      error = "select takes a text box, a start and a length";
      return false;
    }
    box->setSelection(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
    return true;
  }
  if (cmd == "key") {
    if (!need(3)) return false;
    auto* box = form_.registry().find<TextBox>(a[1]);
    if (!box || a[2] != "Enter") {
      error = "key takes a text box and 'Enter'";
      return false;
    }
    if (!typedBox(a[1], "\n", error)) return false;
    std::int16_t code = kKeyEnter;
    form_.keyDown(*box, code);
    // What the multi-line box then does with the key itself.
    if (code == kKeyEnter) box->replaceSelection("\n");
    return true;
  }
  if (cmd == "spin") {
    int steps;
    auto* spin = a.size() == 3 ? form_.registry().find<UpDown>(a[1]) : nullptr;
    if (!spin || !parseInt32(a[2], steps)) {
      error = "spin takes an up-down and a number of steps";
      return false;
    }
    spin->stepBy(steps);
    return true;
  }
  if (cmd == "set") {
    if (!need(3)) return false;
    Control* c = control(a[1]);
    if (!c) return false;
    const std::string& v = a[2];
    int n = 0;
    bool numeric = parseInt32(v, n);
    bool accepted = true;
    switch (c->kind()) {
      case ControlKind::TextBox:
        if (v.find('\0') != std::string::npos) {
          error = "'" + a[1] + "' does not take a NUL character";
          return false;
        }
        static_cast<TextBox*>(c)->setText(v);
        return true;
      case ControlKind::TextHolder:
        static_cast<TextHolder*>(c)->setText(v);
        return true;
      case ControlKind::CheckBox:
        accepted = numeric && static_cast<CheckBox*>(c)->setValue(n);
        break;
      case ControlKind::ComboBox:
        accepted = numeric && static_cast<ComboBox*>(c)->setListIndex(n);
        break;
      case ControlKind::OptionButton: {
        // As in the window: an option is chosen (1), never released by itself.
        auto* option = static_cast<OptionButton*>(c);
        accepted = numeric && (n == 1 || (n == 0 && option->value() == 0));
        if (accepted && n != option->value()) userClick(*c);
        break;
      }
      case ControlKind::UpDown:
        accepted = numeric && static_cast<UpDown*>(c)->setValue(n);
        break;
      case ControlKind::ToggleButton: {
        // Pressed (1) or released (0), with what pressing does, as a click in the window.
        auto* toggle = static_cast<ToggleButton*>(c);
        accepted = numeric && (n == 0 || n == 1);
        if (accepted && n != toggle->value()) userClick(*c);
        break;
      }
      case ControlKind::PushButton:
        error = "'" + a[1] + "' has no value to set (click it)";
        return false;
    }
    if (!accepted) error = "'" + a[1] + "' does not accept '" + v + "'";
    return accepted;
  }
  error = "unknown command '" + cmd + "'";
  return false;
}

}  // namespace bq
