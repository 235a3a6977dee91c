// The batch and the design gallery as the browser page drives them: the same engine work as
// the window's (an offscreen copy of the listing, one BatchJob), answered in JSON. The page
// hands the sheet over as a file in the engine's memory and steps the job between frames.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/copies/offscreen_form.h"
#include "batch/batch_job.h"

namespace bq::web {

class WebBatch {
 public:
  explicit WebBatch(frmMain& window) : window_(window) {}

  // The sheet's headers, its first rows and the columns its headers map:
  // {"headers":[…],"rows":[[…]…],"targets":["欄1 見出し",…],"mapped":["欄2 本文","",…]} or
  // {"error":"…"}: what each column may go into comes from the engine.
  std::string sheet(const std::filesystem::path& file);
  // What the mapping dialog says of the added column's header: ["…"] (batch::headerNotes).
  std::string headerNotes(const std::string& added) const;
  // The columns' targets once `column` has taken its own from the others (batch::keepTargetIn):
  // ["欄2 本文", "", …].
  std::string keepTargetIn(const std::vector<std::string>& columns, int column) const;
  // Starts a job; `columns` names each column's target ("欄2 本文", "" for none), `nameColumn`
  // the column the .html files are named from (-1: the row numbers; -2: no files),
  // `replaceColumn` the column the pages go into (-1: a column is added).
  // {} or {"error":"…"}.
  std::string start(const std::filesystem::path& file, const std::vector<std::string>& columns,
                    const std::string& header, int nameColumn, int replaceColumn = -1);
  // Reads or makes rows for about `milliseconds`: {"done":N,"rows":N,"reading":bool,
  // "finished":bool}, or {"error":"…"} for a bad row (the job is then over).
  std::string step(int milliseconds);
  // The sheet's bytes made since the last call (the page takes them after each step and keeps
  // them outside the engine's memory, which never shrinks); after the last step, the rest.
  std::string take();
  // The .html files made since the last call, the same way.
  std::vector<batch::HtmlFile> takePages() { return std::exchange(files_, {}); }
  // After the last step: writes the sheet to `output` (unless the page took it) and the pages
  // into `output`.pages/;
  // {"summary":…,"findings":[{"row":N,"text":…}],"files":[…]} or {"error":"…"}.
  std::string finish(const std::filesystem::path& output);
  void cancel();

  // The gallery: [{"name":…,"file":…,"page":…,"error":…}].
  std::string designs();

 private:
  frmMain& window_;
  batch::Sheet sheet_;
  std::vector<std::string> headers_;  // the last sheet's, for headerNotes
  std::unique_ptr<OffscreenForm> offscreen_;
  std::unique_ptr<batch::BatchJob> job_;
  std::vector<batch::HtmlFile> files_;
  std::string made_;    // the sheet's bytes handed over by the job and not taken yet
  bool taken_ = false;  // the page takes the sheet as it is made
};

}  // namespace bq::web
