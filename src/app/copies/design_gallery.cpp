#include "app/copies/design_gallery.h"

#include <algorithm>

#include "app/copies/offscreen_form.h"
#include "app/window/frm_main.h"

namespace fs = std::filesystem;

namespace bq {

std::vector<fs::path> galleryDesigns(const frmMain& window) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(window.paths().designs, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().extension() == ".ini" && it->is_regular_file(ec)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<DesignSample> designSamples(frmMain& window) {
  std::vector<DesignSample> samples;
  std::vector<fs::path> files = galleryDesigns(window);
  if (files.empty()) return samples;
  OffscreenForm offscreen(window.paths().app);
  std::optional<std::string> failed = offscreen.startAsCopyOf(window);
  for (const fs::path& file : files) {
    DesignSample s{file.stem().u8string(), file, {}, {}};
    // A design sets the look alone, every key of it, so one copy serves them all in turn.
    auto error = failed ? failed : offscreen.openDesign(file);
    if (error) {
      s.error = *error;
    } else {
      s.page = offscreen.page();
    }
    samples.push_back(std::move(s));
  }
  return samples;
}

}  // namespace bq
