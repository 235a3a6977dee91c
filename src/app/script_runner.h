// The seller's actions as lines of words, one action per line, against the engine and the
// headless platform: what bidquill-cli run reads and what the browser edition sends.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "forms/headless_platform.h"

namespace bq {

// Splits a line into arguments: blanks separate, double quotes group, and inside quotes
// \" \\ \n \r \t are escapes. Returns false (with a reason) for an unterminated quote.
bool splitArguments(const std::string& line, std::vector<std::string>& args, std::string& error);

// The value `print` shows for a control, slot or remembered value; false for an unknown name.
bool printable(frmMain& form, HeadlessPlatform& platform, const std::string& name,
               std::string& value);

class ScriptRunner {
 public:
  ScriptRunner(frmMain& form, HeadlessPlatform& platform, std::ostream& out);

  // Runs every line; stops at the first bad one, or after the window closed. Returns 0, or 2
  // with `error` naming the line.
  int run(std::istream& script, const std::string& scriptName, std::string& error);
  // Runs one action (a line split into arguments); false with a reason when it cannot be run.
  // The browser edition forwards the seller's actions through here too.
  bool execute(const std::vector<std::string>& args, std::string& error);

 private:
  bool act(const std::vector<std::string>& args, std::string& error);

  frmMain& form_;
  HeadlessPlatform& platform_;
  std::ostream& out_;
  bool closed_ = false;
  std::vector<int> answerLines_;  // the lines of the dialog answers queued for the next action
};

}  // namespace bq
