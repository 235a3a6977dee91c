// The seller's actions as lines of words, one action per line, against the engine and the
// headless platform: what bidquill-cli run reads and what the browser edition sends.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/window/frm_main.h"
#include "files/failure.h"
#include "forms/headless_platform.h"

namespace bq {

// Splits a line into arguments: blanks separate, double quotes group, and inside quotes
// \" \\ \n \r \t are escapes. Fails for an unterminated quote.
Failure splitArguments(const std::string& line, std::vector<std::string>& args);

// The value `print` shows for a control, slot or remembered value; false for an unknown name.
bool printable(frmMain& form, HeadlessPlatform& platform, const std::string& name,
               std::string& value);

class ScriptRunner {
 public:
  ScriptRunner(frmMain& form, HeadlessPlatform& platform, std::ostream& out);

  // Runs every line; stops at the first bad one (the failure names its line), or after the
  // window closed.
  Failure run(std::istream& script, const std::string& scriptName);
  // Runs one action (a line split into arguments), as one step of the history; fails when it
  // cannot be run. The browser edition forwards the seller's actions through here too.
  Failure execute(const std::vector<std::string>& args);

 private:
  using Args = std::vector<std::string>;
  using Command = Failure (ScriptRunner::*)(const Args&);
  static const std::map<std::string, std::pair<std::size_t, Command>>& commands();
  Failure act(const Args& args);
  // One command each (its words already counted where the table says how many).
  Failure print(const Args& a);
  Failure dialog(const Args& a);
  Failure fix(const Args& a);
  Failure window(const Args& a);
  Failure typing(const Args& a);
  Failure key(const Args& a);
  Failure select(const Args& a);
  Failure click(const Args& a);
  Failure choose(const Args& a);
  Failure spin(const Args& a);
  Failure set(const Args& a);
  TextBox* typedBox(const std::string& name, const std::string& text, Failure& why);

  frmMain& form_;
  HeadlessPlatform& platform_;
  std::ostream& out_;
  bool closed_ = false;
  std::vector<int> answerLines_;  // the lines of the dialog answers queued for the next action
};

}  // namespace bq
