#include "web/web_session.h"

#include <charconv>
#include <optional>

#include "app/window/window_layout.h"
#include "checks/phone_width.h"
#include "core/app_folder.h"
#include "core/templates.h"
#include "text/cp932.h"
#include "web/json.h"

namespace fs = std::filesystem;

namespace bq::web {
namespace {

const char* kindName(ControlKind k) {
  switch (k) {
    case ControlKind::TextBox:
      return "text";
    case ControlKind::TextHolder:
      return "holder";
    case ControlKind::CheckBox:
      return "check";
    case ControlKind::ComboBox:
      return "combo";
    case ControlKind::OptionButton:
      return "option";
    case ControlKind::UpDown:
      return "updown";
    case ControlKind::ToggleButton:
      return "toggle";
    case ControlKind::PushButton:
      return "button";
  }
  return "";
}

const char* iconName(MessageIcon i) {
  switch (i) {
    case MessageIcon::Information:
      return "information";
    case MessageIcon::Warning:
      return "warning";
    case MessageIcon::Critical:
      return "critical";
  }
  return "";
}

// A page file as a browser reads it: the bytes are code page 932.
std::string readPage(const fs::path& file) {
  auto bytes = readWholeFile(file);
  return bytes ? text::cp932ToUtf8(*bytes) : std::string();
}

// The byte where `units` UTF-16 code units of `utf8` end (the page counts in those); none when
// that is past the end or inside a character.
std::optional<std::size_t> utf16Offset(std::string_view utf8, std::size_t units) {
  std::size_t i = 0;
  while (units > 0) {
    if (i >= utf8.size()) return std::nullopt;
    auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::size_t width = bytes == 4 ? 2 : 1;
    if (width > units) return std::nullopt;
    units -= width;
    i = std::min(utf8.size(), i + bytes);
  }
  return i;
}

// A piece of the window description, as the page's layout.js builds from it.
std::string layoutJson(const layout::Piece& p) {
  Json j;
  j.beginObject();
  j.key("kind").value(layout::kindName(p.kind));
  if (!p.name.empty()) j.key("name").value(p.name);
  if (!p.text.empty()) j.key("text").value(p.text);
  if (!p.tip.empty()) j.key("tip").value(p.tip);
  if (!p.hint.empty()) j.key("hint").value(p.hint);
  if (p.look != layout::Look::None) j.key("look").value(layout::lookName(p.look));
  if (p.lines) j.key("lines").value(static_cast<long long>(p.lines));
  j.key("row").value(static_cast<long long>(p.row));
  j.key("column").value(static_cast<long long>(p.column));
  j.key("span").value(static_cast<long long>(p.span));
  if (!p.parts.empty()) {
    j.key("parts").beginArray();
    for (const layout::Piece& part : p.parts) j.raw(layoutJson(part));
    j.endArray();
  }
  j.endObject();
  return j.str();
}

}  // namespace

void WebPlatform::setAnswers(std::vector<std::string> answers) {
  answers_ = std::move(answers);
  used_.assign(answers_.size(), false);
  unanswered.reset();
}

std::optional<std::string> WebPlatform::take(Unanswered::Kind kind, std::size_t index,
                                             const std::string& signature) {
  for (std::size_t i = 0; i < answers_.size(); ++i) {
    const std::string& a = answers_[i];
    if (used_[i] || a.compare(0, signature.size(), signature) != 0 ||
        a.size() <= signature.size() || a[signature.size()] != ' ') {
      continue;
    }
    used_[i] = true;
    return a.substr(signature.size() + 1);
  }
  if (!unanswered) unanswered = Unanswered{kind, index, signature};
  return std::nullopt;
}

std::optional<std::int32_t> WebPlatform::chooseColour(std::int32_t initial,
                                                      std::int32_t remembered) {
  colourRequests.emplace_back(initial, remembered);
  auto value = take(Unanswered::Colour, colourRequests.size() - 1, "colour");
  std::int32_t colour = 0;
  if (!value) return std::nullopt;
  const char* end = value->data() + value->size();
  auto [at, ec] = std::from_chars(value->data(), end, colour);
  if (ec != std::errc() || at != end) return std::nullopt;
  return colour;
}

std::optional<std::string> WebPlatform::chooseFile(const FileDialogRequest& request) {
  fileRequests.push_back(request);
  const char* signature = request.mode == FileDialogMode::Open ? "file:open" : "file:save";
  return take(Unanswered::File, fileRequests.size() - 1, signature);
}

std::string WebPlatform::ask(const Question& question) {
  questions.push_back(question);
  std::string signature = "question:";
  for (const Choice& c : question.choices) {
    signature += (&c == &question.choices.front() ? "" : "|") + c.key;
  }
  auto key = take(Unanswered::Question, questions.size() - 1, signature);
  for (const Choice& c : question.choices) {
    if (key && c.key == *key) return c.key;
  }
  return question.escapeKey;
}

WebSession::WebSession(const fs::path& appFolder, const fs::path& stateFile)
    : form_(platform_, appFolder), runner_(form_, platform_, printed_) {
  const auto& controls = form_.registry().controls();
  changed_.assign(controls.size(), false);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    controls[i]->observe([this, i] { markChanged(i); });
  }
  form_.document.setRecoveryFile(stateFile);
  form_.document.onSaved = [this](const fs::path& file) { saved_.push_back(displayPath(file)); };
}

void WebSession::markChanged(std::size_t index) {
  if (changed_[index]) return;
  changed_[index] = true;
  changedOrder_.push_back(index);
}

std::string WebSession::start() {
  std::vector<fs::path> missing = form_.Load();
  // The page shows every control once; from here on only the changed ones.
  changedOrder_.clear();
  std::fill(changed_.begin(), changed_.end(), false);
  for (std::size_t i = 0; i < changed_.size(); ++i) markChanged(i);
  std::string r = result({});
  Json j;
  j.beginObject();
  j.key("missing").beginArray();
  for (const fs::path& f : missing) j.value(displayPath(f.filename()));
  j.endArray();
  j.key("missingMessage").value(missing.empty() ? std::string() : missingTemplateMessage(missing));
  j.key("state").raw(r);
  // The window the page lays out is the desktop's, described once in the engine.
  j.key("window").beginObject();
  j.key("toolStrip").raw(layoutJson(layout::toolStrip()));
  j.key("editingArea").raw(layoutJson(layout::editingArea()));
  j.key("phoneWidths").beginArray();
  for (int w : checks::kPhoneWidths) j.value(static_cast<long long>(w));
  j.endArray();
  j.key("commonPhoneWidth").value(static_cast<long long>(checks::kCommonPhoneWidth));
  j.key("recentFiles").value(static_cast<long long>(layout::kRecentFiles));
  j.key("recoveryPauseMs").value(static_cast<long long>(Document::kRecoveryPauseMs));
  j.key("recoveryMostMs").value(static_cast<long long>(Document::kRecoveryMostMs));
  j.endObject();
  j.endObject();
  return j.str();
}

std::string WebSession::act(const std::vector<std::string>& args,
                            const std::vector<std::string>& answers) {
  std::string error;
  std::vector<std::string> edited;  // what an `edit` comes to
  {
    // One step of the listing's history, whatever it runs; its page is made as it ends, before
    // the result reads it.
    History::Action step(form_.history);
    platform_.setAnswers(answers);
    run(args, edited, error);
  }
  const std::vector<std::string>& typed = edited.empty() ? args : edited;
  if (typed.size() == 3 && typed[0] == "type") {
    typedBox_ = &typed[1];
    typedText_ = &typed[2];
  }
  std::string r = result(error);
  typedBox_ = typedText_ = nullptr;
  return r;
}

void WebSession::run(const std::vector<std::string>& args, std::vector<std::string>& edited,
                     std::string& error) {
  const std::string cmd = args.empty() ? std::string() : args[0];
  if (cmd == "leave" && args.size() == 2) {
    if (DimensionBox* d = form_.dimension(args[1])) {
      d->focusLost();
    } else {
      error = "'" + args[1] + "' is no width or height box";
    }
  } else if (cmd == "edit" && args.size() == 5) {
    // A change in a long box as what was removed and put where, so that a body of megabytes
    // does not cross over whole per keystroke; then as `type`.
    edited = editedText(args, error);
    if (!edited.empty()) error = runner_.execute(edited).value_or("");
  } else if (!args.empty()) {
    error = runner_.execute(args).value_or("");
  } else {
    error = "no action";
  }
}

std::vector<std::string> WebSession::editedText(const std::vector<std::string>& args,
                                                std::string& error) {
  const TextBox* box = form_.registry().find<TextBox>(args[1]);
  std::size_t start = 0, removed = 0;
  auto number = [](const std::string& s, std::size_t& n) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    return ec == std::errc() && end == s.data() + s.size();
  };
  if (!box || !number(args[2], start) || !number(args[3], removed)) {
    error = "edit: no such box or no numbers";
    return {};
  }
  const std::string& text = box->text();
  auto from = utf16Offset(text, start);
  auto to = from ? utf16Offset(std::string_view(text).substr(*from), removed) : std::nullopt;
  if (!to) {
    error = "edit: the place is not in " + args[1] + "'s text";
    return {};
  }
  return {"type", args[1], text.substr(0, *from) + args[4] + text.substr(*from + *to)};
}

std::string WebSession::resume(const fs::path& file) {
  platform_.setAnswers({"question:restore|discard restore"});
  form_.document.offerRecovery(file);
  return result({});
}

std::string WebSession::mainPage() const {
  return mainFile_.empty() ? std::string() : readPage(mainFile_);
}

std::string WebSession::sourceText() const {
  return platform_.preview ? platform_.preview->sourceText : std::string();
}

std::string WebSession::pastedText(const std::string& box, const std::string& text) {
  auto* b = form_.registry().find<TextBox>(box);
  return b ? form_.pastedText(*b, text) : text;
}

bool WebSession::keepState() {
  return form_.document.writeRecovery();
}

void WebSession::readNavigations() {
  // The main page crosses as what changed while every new version says so; else whole, read
  // from its file when the page asks.
  HeadlessBrowser& main = platform_.main;
  for (std::optional<PageEdit>& edit : main.edits) {
    if (edit && !mainWhole_) {
      mainEdits_.push_back(std::move(*edit));
    } else {
      mainWhole_ = true;
      mainEdits_.clear();
    }
  }
  if (!main.navigations.empty()) mainFile_ = main.navigations.back();
  main.navigations.clear();
  main.edits.clear();
  if (platform_.preview && platform_.preview->browser_.navigations.size() != framedNavigations_) {
    framedNavigations_ = platform_.preview->browser_.navigations.size();
    framedPage_ = readPage(platform_.preview->browser_.navigations.back());
  }
}

std::string WebSession::controlJson(const Control& c) {
  Json j;
  j.beginObject();
  j.key("name").value(c.name());
  j.key("kind").value(kindName(c.kind()));
  j.key("caption").value(c.caption());
  j.key("visible").value(c.visible());
  switch (c.kind()) {
    case ControlKind::TextBox: {
      const auto& t = static_cast<const TextBox&>(c);
      if (typedBox_ && c.name() == *typedBox_ && t.text() == *typedText_) {
        j.key("asTyped").value(true);
      } else {
        j.key("text").value(t.text());
      }
      j.key("readOnly").value(t.readOnly());
      j.key("toolTip").value(t.toolTip());
      j.key("selStart").value(static_cast<long long>(t.selStart()));
      j.key("selLength").value(static_cast<long long>(t.selLength()));
      if (DimensionBox* d = form_.dimension(c.name())) {
        j.key("refused").value(d->refused());
        j.key("range").value(d->allowedRange());
        j.key("spin").value(d->updn.name());
      }
      break;
    }
    case ControlKind::ComboBox: {
      const auto& b = static_cast<const ComboBox&>(c);
      j.key("items").beginArray();
      for (const std::string& item : b.items()) j.value(item);
      j.endArray();
      j.key("index").value(static_cast<long long>(b.listIndex()));
      j.key("text").value(b.text());
      j.key("idleText").value(b.idleText());
      break;
    }
    case ControlKind::UpDown: {
      const auto& u = static_cast<const UpDown&>(c);
      j.key("value").value(static_cast<long long>(u.value()));
      j.key("min").value(static_cast<long long>(u.min()));
      j.key("max").value(static_cast<long long>(u.max()));
      break;
    }
    case ControlKind::PushButton: {
      const auto& b = static_cast<const PushButton&>(c);
      j.key("colour").value(form_.colours.slot(c.name()) != nullptr);
      j.key("swatch").value(static_cast<long long>(b.swatch()));
      j.key("enabled").value(b.enabled());
      break;
    }
    case ControlKind::TextHolder:
      break;
    default:
      j.key("value").value(valueText(c));
      break;
  }
  j.endObject();
  return j.str();
}

std::string WebSession::result(const std::string& error) {
  readNavigations();
  Json j;
  j.beginObject();
  if (!error.empty()) j.key("error").value(error);
  writeChanged(j);
  writeTold(j);
  writePending(j);
  platform_.setAnswers({});
  writePages(j);
  if (platform_.clipboard) {
    j.key("clipboard").value(*platform_.clipboard);
    platform_.clipboard.reset();
  }
  j.key("opened").beginArray();
  for (; urlsSeen_ < platform_.openedUrls.size(); ++urlsSeen_) {
    j.value(platform_.openedUrls[urlsSeen_]);
  }
  j.endArray();
  j.key("saved").beginArray();
  for (const std::string& s : saved_) j.value(s);
  saved_.clear();
  j.endArray();
  j.key("document").beginObject();
  j.key("title").value(form_.document.windowTitle());
  j.key("modified").value(form_.document.modified());
  j.key("file").value(displayPath(form_.document.currentFile()));
  j.endObject();
  j.endObject();
  return j.str();
}

// The controls changed since the last result, as the page shows them.
void WebSession::writeChanged(Json& j) {
  const auto& controls = form_.registry().controls();
  j.key("changed").beginArray();
  for (std::size_t i : changedOrder_) {
    changed_[i] = false;
    // Hidden controls (the holders, txtTag) never reach the page; their text can be long.
    if (controls[i]->visible()) j.raw(controlJson(*controls[i]));
  }
  changedOrder_.clear();
  j.endArray();
}

// What the program said since: messages and the status bar's notes.
void WebSession::writeTold(Json& j) {
  j.key("messages").beginArray();
  for (; messagesSeen_ < platform_.messages.size(); ++messagesSeen_) {
    const RecordedMessage& m = platform_.messages[messagesSeen_];
    j.beginObject();
    j.key("text").value(m.text);
    j.key("title").value(m.title);
    j.key("icon").value(iconName(m.icon));
    j.endObject();
  }
  j.endArray();
  j.key("statuses").beginArray();
  for (; statusesSeen_ < platform_.statuses.size(); ++statusesSeen_) {
    j.value(platform_.statuses[statusesSeen_]);
  }
  j.endArray();
}

// The first dialog no answer was given for: the action waits for it.
void WebSession::writePending(Json& j) {
  if (const auto& d = platform_.unanswered) {
    j.key("pending").beginObject();
    j.key("signature").value(d->signature);
    if (d->kind == WebPlatform::Unanswered::Colour) {
      auto [initial, remembered] = platform_.colourRequests[d->index];
      j.key("kind").value("colour");
      j.key("initial").value(static_cast<long long>(initial));
      j.key("remembered").value(static_cast<long long>(remembered));
    } else if (d->kind == WebPlatform::Unanswered::File) {
      const FileDialogRequest& r = platform_.fileRequests[d->index];
      j.key("kind").value("file");
      j.key("mode").value(r.mode == FileDialogMode::Open ? "open" : "save");
      j.key("fileName").value(r.fileName);
    } else {
      const Question& q = platform_.questions[d->index];
      j.key("kind").value("question");
      j.key("text").value(q.text);
      j.key("title").value(q.title);
      j.key("escapeKey").value(q.escapeKey);
      j.key("choices").beginArray();
      for (const Choice& c : q.choices) {
        j.beginObject();
        j.key("key").value(c.key);
        j.key("caption").value(c.caption);
        j.endObject();
      }
      j.endArray();
    }
    j.endObject();
  }
}

// Whether the main page changed (whole, or as edits), and the preview window.
void WebSession::writePages(Json& j) {
  j.key("mainPage").value(mainWhole_);
  if (!mainEdits_.empty()) {
    j.key("mainEdits").beginArray();
    for (const PageEdit& e : mainEdits_) {
      j.beginArray();
      j.value(static_cast<long long>(e.start));
      j.value(static_cast<long long>(e.removed));
      j.value(e.inserted);
      j.endArray();
    }
    j.endArray();
  }
  mainWhole_ = false;
  mainEdits_.clear();
  j.key("preview").beginObject();
  bool shown = platform_.preview && platform_.preview->timesShown != previewShown_;
  if (platform_.preview) previewShown_ = platform_.preview->timesShown;
  j.key("shown").value(shown);
  j.key("page").value(framedNavigations_ != framedPageSent_);
  framedPageSent_ = framedNavigations_;
  if (shown) {
    const ListingReport& r = platform_.preview->report;
    j.key("report").beginObject();
    j.key("findings").beginArray();
    for (const std::string& f : r.findings) j.value(f);
    j.endArray();
    j.key("size").value(r.size);
    j.key("fixable").value(r.fixable);
    j.endObject();
  }
  j.endObject();
}

}  // namespace bq::web
