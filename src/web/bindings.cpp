// The browser edition's entry: the session class as JavaScript sees it.
#include <emscripten/bind.h>
#include <sys/stat.h>

#include "core/templates.h"
#include "web/web_batch.h"
#include "web/web_session.h"

namespace {

std::vector<std::string> strings(const emscripten::val& array) {
  return emscripten::vecFromJSArray<std::string>(array);
}

class Session {
 public:
  Session(const std::string& appFolder, const std::string& stateFile)
      : s_(std::filesystem::u8path(appFolder), std::filesystem::u8path(stateFile)) {}
  // The in-memory file system starts with a mask that leaves new files unreadable.
  static void allowNewFiles() { ::umask(022); }
  std::string start() { return s_.start(); }
  std::string act(const emscripten::val& args, const emscripten::val& answers) {
    return s_.act(strings(args), strings(answers));
  }
  std::string resume(const std::string& file) { return s_.resume(std::filesystem::u8path(file)); }
  std::string mainPage() const { return s_.mainPage(); }
  std::string framedPage() const { return s_.framedPage(); }
  std::string sourceText() const { return s_.sourceText(); }
  std::string pastedText(const std::string& box, const std::string& text) {
    return s_.pastedText(box, text);
  }
  bool keepState() { return s_.keepState(); }

  // 一括作成… and デザインを選ぶ…
  std::string batchSheet(const std::string& file) {
    return batch_.sheet(std::filesystem::u8path(file));
  }
  std::string batchStart(const std::string& file, const emscripten::val& columns,
                         const std::string& header, int nameColumn, int replaceColumn) {
    return batch_.start(std::filesystem::u8path(file), strings(columns), header, nameColumn,
                        replaceColumn);
  }
  std::string batchStep(int milliseconds) { return batch_.step(milliseconds); }
  std::string batchHeaderNotes(const std::string& added) { return batch_.headerNotes(added); }
  std::string batchKeepTargetIn(const emscripten::val& columns, int column) {
    return batch_.keepTargetIn(strings(columns), column);
  }
  // The bytes as a Uint8Array of the page's own (a copy: the engine's memory is reused).
  emscripten::val batchTake() {
    std::string bytes = batch_.take();
    return emscripten::val::global("Uint8Array")
        .new_(emscripten::typed_memory_view(bytes.size(),
                                            reinterpret_cast<const unsigned char*>(bytes.data())));
  }
  // [{name, bytes}] for the .html files made since the last call.
  emscripten::val batchTakePages() {
    emscripten::val out = emscripten::val::array();
    for (const bq::batch::HtmlFile& f : batch_.takePages()) {
      emscripten::val page = emscripten::val::object();
      page.set("name", f.name);
      page.set("bytes",
               emscripten::val::global("Uint8Array")
                   .new_(emscripten::typed_memory_view(
                       f.bytes.size(), reinterpret_cast<const unsigned char*>(f.bytes.data()))));
      out.call<void>("push", page);
    }
    return out;
  }
  std::string batchFinish(const std::string& output) {
    return batch_.finish(std::filesystem::u8path(output));
  }
  void batchCancel() { batch_.cancel(); }
  std::string designs() { return batch_.designs(); }

 private:
  bq::web::WebSession s_;
  bq::web::WebBatch batch_{s_.form()};
};

// The template files the page puts under data/tag before start().
emscripten::val templateFiles() {
  emscripten::val names = emscripten::val::array();
  for (const bq::TemplateFile& t : bq::kTemplateFiles)
    names.call<void>("push", std::string(t.file));
  return names;
}

}  // namespace

EMSCRIPTEN_BINDINGS(bidquill) {
  emscripten::class_<Session>("Session")
      .constructor(
          +[](const std::string& app, const std::string& state) {
            Session::allowNewFiles();
            return new Session(app, state);
          },
          emscripten::allow_raw_pointers())
      .function("start", &Session::start)
      .function("act", &Session::act)
      .function("resume", &Session::resume)
      .function("mainPage", &Session::mainPage)
      .function("framedPage", &Session::framedPage)
      .function("sourceText", &Session::sourceText)
      .function("pastedText", &Session::pastedText)
      .function("keepState", &Session::keepState)
      .function("batchSheet", &Session::batchSheet)
      .function("batchStart", &Session::batchStart)
      .function("batchHeaderNotes", &Session::batchHeaderNotes)
      .function("batchKeepTargetIn", &Session::batchKeepTargetIn)
      .function("batchStep", &Session::batchStep)
      .function("batchTake", &Session::batchTake)
      .function("batchTakePages", &Session::batchTakePages)
      .function("batchFinish", &Session::batchFinish)
      .function("batchCancel", &Session::batchCancel)
      .function("designs", &Session::designs);
  emscripten::function("templateFiles", &templateFiles);
}
