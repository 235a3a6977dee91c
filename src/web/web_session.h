// The engine behind the browser edition: one frmMain on the headless platform, driven by the
// same actions as `bidquill-cli run`. Every call returns what the page must show now, as JSON:
// the controls whose values changed, messages, the document's state, whether the previews
// have a new page, and the dialog the action is waiting for.
//
// Browser dialogs do not block, so an action that needs one (a colour, a file, a question)
// runs with the dialog cancelled — which changes nothing — and reports it as pending; the page
// shows the dialog and runs the action again with the answers given so far. Answers name the
// dialog they are for ("file:open PATH"), so that a dialog the second run no longer opens (the
// question, once the first run saved) leaves its answer unused rather than misread by the next.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/script/script_runner.h"
#include "app/window/frm_main.h"
#include "forms/headless_platform.h"

namespace bq::web {

class Json;

// The headless platform answering each dialog from the answers given for its kind.
class WebPlatform : public HeadlessPlatform {
 public:
  // The page keeps the preview's text, so it is given what changed in it.
  WebPlatform() { main.recordsEdits = true; }
  // "SIGNATURE VALUE": "colour 255", "file:open /files/a.ini", "question:save|discard|cancel save".
  void setAnswers(std::vector<std::string> answers);
  std::optional<std::int32_t> chooseColour(std::int32_t initial, std::int32_t remembered) override;
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  std::string ask(const Question& question) override;

  // The first dialog this action opened without an answer: its signature and what to show.
  struct Unanswered {
    enum Kind { Colour, File, Question } kind;
    std::size_t index;  // into colourRequests, fileRequests or questions
    std::string signature;
  };
  std::optional<Unanswered> unanswered;

 private:
  // The value of the first unused answer for the signature; nothing records it as unanswered.
  std::optional<std::string> take(Unanswered::Kind kind, std::size_t index,
                                  const std::string& signature);
  std::vector<std::string> answers_;
  std::vector<bool> used_;
};

class WebSession {
 public:
  // `appFolder` holds data/tag; `stateFile` is where the work is kept for the browser's storage.
  WebSession(const std::filesystem::path& appFolder, const std::filesystem::path& stateFile);

  // The start-up sequence; the result lists every control (and the templates that are missing).
  std::string start();
  // One action of the script language ("type txtEdit1 TEXT" as {"type","txtEdit1",TEXT}), plus
  // "leave NAME" (a width box loses the focus) and "fix" (the checks panel's mend button), with
  // the answers for its dialogs (see WebPlatform::setAnswers).
  std::string act(const std::vector<std::string>& args, const std::vector<std::string>& answers);
  // Brings back work kept in the browser's storage (a recovery file); the result as act's.
  std::string resume(const std::filesystem::path& file);

  // The pages last shown in the main preview and in the preview window (decoded from the page
  // files, as a browser reads them); the preview window's HTML tab. A result says `mainPage`
  // when the main page must be taken whole, else gives `mainEdits` to put into the last one.
  std::string mainPage() const;
  std::string framedPage() const { return framedPage_; }
  std::string sourceText() const;
  // What pasting the text into a title or body box puts there.
  std::string pastedText(const std::string& box, const std::string& text);
  // Writes the work into the state file when it changed since; true when it did.
  bool keepState();

  frmMain& form() { return form_; }
  WebPlatform& platform() { return platform_; }

 private:
  void markChanged(std::size_t index);
  std::string result(const std::string& error);
  std::string controlJson(const Control& c);
  // The `type` action an `edit` (box, start, removed, inserted; UTF-16 units) comes to; none,
  // with `error` said, when the place is not in the box's text.
  // Parts of result(), in its order.
  void writeChanged(Json& j);
  void writeTold(Json& j);
  void writePending(Json& j);
  void writePages(Json& j);
  // Runs one action of the page (`edited`: what an `edit` came to).
  void run(const std::vector<std::string>& args, std::vector<std::string>& edited,
           std::string& error);
  std::vector<std::string> editedText(const std::vector<std::string>& args, std::string& error);
  void readNavigations();

  WebPlatform platform_;
  frmMain form_;
  std::ostringstream printed_;  // what `print` would show; the page reads controls instead
  ScriptRunner runner_;
  std::vector<bool> changed_;
  std::vector<std::size_t> changedOrder_;
  std::size_t messagesSeen_ = 0;
  std::size_t statusesSeen_ = 0;
  std::size_t framedNavigations_ = 0;
  std::filesystem::path mainFile_;
  bool mainWhole_ = false;
  std::vector<PageEdit> mainEdits_;
  std::size_t framedPageSent_ = 0;
  std::size_t urlsSeen_ = 0;
  int previewShown_ = 0;
  std::string framedPage_;
  std::vector<std::string> saved_;
  // The box and text of the action being run when it is `type`: a box that holds just what the
  // page typed is not sent back (a long body would cross twice per keystroke).
  const std::string* typedBox_ = nullptr;
  const std::string* typedText_ = nullptr;
};

}  // namespace bq::web
