#include "app/script/script_runner.h"

#include <charconv>
#include <istream>
#include <map>
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

Failure splitArguments(const std::string& line, std::vector<std::string>& args) {
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
      if (!closed) return "unterminated quote";
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') arg += line[i++];
    }
    args.push_back(std::move(arg));
  }
  return std::nullopt;
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

Failure ScriptRunner::run(std::istream& script, const std::string& scriptName) {
  std::string line;
  int number = 0;
  while (!closed_ && std::getline(script, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> args;
    Failure why = splitArguments(line, args);
    if (!why && (args.empty() || args[0][0] == '#')) continue;
    if (!why) why = execute(args);
    if (why) return scriptName + ":" + std::to_string(number) + ": " + *why;
    // A dialog line answers the action after it; an answer that action did not take would
    // otherwise answer some later, unrelated question.
    if (args[0] == "dialog") {
      answerLines_.push_back(number);
    } else if (!answerLines_.empty()) {
      std::size_t left = platform_.pendingAnswers();
      if (left > 0) {
        return scriptName + ":" + std::to_string(answerLines_[answerLines_.size() - left]) +
               ": the dialog answer was not taken by '" + args[0] + "' on line " +
               std::to_string(number);
      }
      answerLines_.clear();
    }
  }
  if (!closed_ && !answerLines_.empty()) {
    return scriptName + ":" + std::to_string(answerLines_.front()) +
           ": the dialog answer has no action after it";
  }
  return std::nullopt;
}

Failure ScriptRunner::execute(const std::vector<std::string>& a) {
  // Each action is one step of the listing's history.
  History::Action step(form_.history);
  return act(a);
}

// Each command with the number of words it takes (its name too; 0: it checks them itself).
const std::map<std::string, std::pair<std::size_t, ScriptRunner::Command>>&
ScriptRunner::commands() {
  static const std::map<std::string, std::pair<std::size_t, Command>> table = {
      {"print", {2, &ScriptRunner::print}},  {"dialog", {0, &ScriptRunner::dialog}},
      {"fix", {1, &ScriptRunner::fix}},      {"undo", {1, &ScriptRunner::window}},
      {"redo", {1, &ScriptRunner::window}},  {"close", {1, &ScriptRunner::window}},
      {"save", {1, &ScriptRunner::window}},  {"save-as", {1, &ScriptRunner::window}},
      {"open", {2, &ScriptRunner::window}},  {"open-design", {2, &ScriptRunner::window}},
      {"paste", {3, &ScriptRunner::typing}}, {"type", {3, &ScriptRunner::typing}},
      {"key", {3, &ScriptRunner::key}},      {"select", {0, &ScriptRunner::select}},
      {"click", {2, &ScriptRunner::click}},  {"choose", {3, &ScriptRunner::choose}},
      {"spin", {0, &ScriptRunner::spin}},    {"set", {3, &ScriptRunner::set}},
  };
  return table;
}

Failure ScriptRunner::act(const Args& a) {
  auto found = commands().find(a[0]);
  if (found == commands().end()) return "unknown command '" + a[0] + "'";
  auto [words, command] = found->second;
  if (words && a.size() != words) {
    return "'" + a[0] + "' takes " + std::to_string(words - 1) + " argument(s)";
  }
  return (this->*command)(a);
}

Failure ScriptRunner::print(const Args& a) {
  std::string value;
  if (!printable(form_, platform_, a[1], value)) return "unknown name '" + a[1] + "'";
  out_ << value << '\n';
  return std::nullopt;
}

Failure ScriptRunner::dialog(const Args& a) {
  if (a.size() == 2 && a[1] == "cancel") {
    platform_.queueCancel();
    return std::nullopt;
  }
  if (a.size() == 3 && (a[1] == "colour" || a[1] == "color")) {
    int c;
    if (!parseInt32(a[2], c)) return "colour number expected, got '" + a[2] + "'";
    platform_.queueColour(c);
    return std::nullopt;
  }
  if (a.size() == 3 && a[1] == "file") {
    platform_.queueFile(a[2]);
    return std::nullopt;
  }
  if (a.size() == 3 && a[1] == "answer") {
    platform_.queueAnswer(a[2]);
    return std::nullopt;
  }
  return "dialog takes 'colour N', 'file PATH', 'answer KEY' or 'cancel'";
}

Failure ScriptRunner::fix(const Args&) {
  // The mend button beside the preview window's page.
  if (!platform_.preview || !platform_.preview->fix) {
    return "fix needs the preview window (click cmdPreview first)";
  }
  platform_.preview->fix();
  return std::nullopt;
}

// The window's own commands: 元に戻す and やり直す (Ctrl+Z, Ctrl+Y), the close box, Ctrl+S and
// Ctrl+Shift+S, a file dropped or picked from the recent files, デザインを読み込む….
Failure ScriptRunner::window(const Args& a) {
  const std::string& cmd = a[0];
  if (cmd == "undo") {
    form_.history.undo();
  } else if (cmd == "redo") {
    form_.history.redo();
  } else if (cmd == "close") {
    // With the question's cancel the window stays and so does the run.
    closed_ = form_.document.close();
  } else if (cmd == "save") {
    form_.document.save();
  } else if (cmd == "save-as") {
    form_.document.saveAs();
  } else if (cmd == "open") {
    form_.document.openFile(std::filesystem::u8path(a[1]));
  } else {
    // Everything of the file but the titles and bodies.
    form_.settings.openDesign(std::filesystem::u8path(a[1]));
  }
  return std::nullopt;
}

// A box the seller can type `text` into, as in the window: shown, not read-only, and no NUL
// (no keyboard types one).
TextBox* ScriptRunner::typedBox(const std::string& name, const std::string& text, Failure& why) {
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
}

Failure ScriptRunner::typing(const Args& a) {
  Failure why;
  TextBox* box = typedBox(a[1], a[2], why);
  if (!box) return why;
  if (a[0] == "paste") {
    box->replaceSelection(form_.pastedText(*box, a[2]));
  } else {
    box->setText(a[2]);
  }
  return std::nullopt;
}

Failure ScriptRunner::key(const Args& a) {
  auto* box = form_.registry().find<TextBox>(a[1]);
  if (!box || a[2] != "Enter") return "key takes a text box and 'Enter'";
  Failure why;
  if (!typedBox(a[1], "\n", why)) return why;
  std::int16_t code = kKeyEnter;
  form_.keyDown(*box, code);
  // What the multi-line box then does with the key itself.
  if (code == kKeyEnter) box->replaceSelection("\n");
  return std::nullopt;
}

Failure ScriptRunner::select(const Args& a) {
  long long start, length;
  auto* box = a.size() == 4 ? form_.registry().find<TextBox>(a[1]) : nullptr;
  if (!box || !parseInt(a[2], start) || !parseInt(a[3], length) || start < 0 || length < 0) {
    return "select takes a text box, a start and a length";
  }
  box->setSelection(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
  return std::nullopt;
}

Failure ScriptRunner::click(const Args& a) {
  Control* c = form_.registry().find(a[1]);
  if (!c) return "unknown control '" + a[1] + "'";
  if (userClick(*c)) return std::nullopt;
  return "'" + a[1] + "' cannot be clicked" +
         (c->kind() == ControlKind::ComboBox ? " (use choose)" : "");
}

Failure ScriptRunner::choose(const Args& a) {
  auto* box = form_.registry().find<ComboBox>(a[1]);
  int index;
  if (!box) return "'" + a[1] + "' is not a combo box";
  if (!parseInt32(a[2], index) || index < 0 || index >= static_cast<int>(box->items().size())) {
    return "'" + a[1] + "' has no item '" + a[2] + "'";
  }
  box->setListIndex(index);
  return std::nullopt;
}

Failure ScriptRunner::spin(const Args& a) {
  int steps;
  auto* spin = a.size() == 3 ? form_.registry().find<UpDown>(a[1]) : nullptr;
  if (!spin || !parseInt32(a[2], steps)) return "spin takes an up-down and a number of steps";
  spin->stepBy(steps);
  return std::nullopt;
}

Failure ScriptRunner::set(const Args& a) {
  Control* c = form_.registry().find(a[1]);
  if (!c) return "unknown control '" + a[1] + "'";
  const std::string& v = a[2];
  int n = 0;
  bool numeric = parseInt32(v, n);
  bool accepted = true;
  switch (c->kind()) {
    case ControlKind::TextBox:
      if (v.find('\0') != std::string::npos) {
        return "'" + a[1] + "' does not take a NUL character";
      }
      static_cast<TextBox*>(c)->setText(v);
      return std::nullopt;
    case ControlKind::TextHolder:
      static_cast<TextHolder*>(c)->setText(v);
      return std::nullopt;
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
      return "'" + a[1] + "' has no value to set (click it)";
  }
  if (!accepted) return "'" + a[1] + "' does not accept '" + v + "'";
  return std::nullopt;
}

}  // namespace bq
