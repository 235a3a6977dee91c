// デザインを選ぶ…: the designs shipped with the program, each shown with the seller's own texts.
// The pages are made in an offscreen copy, so looking changes nothing; choosing one applies it
// as デザインを読み込む… does.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bq {

class frmMain;

struct DesignSample {
  std::string name;  // the file's name without .ini ("和風")
  std::filesystem::path file;
  std::string page;   // the listing's page in this design
  std::string error;  // why it could not be made (in Japanese); then no page
};

// The designs in the gallery folder, by name; none when the folder is missing.
std::vector<std::filesystem::path> galleryDesigns(const frmMain& window);

// Every design with the window's titles and bodies.
std::vector<DesignSample> designSamples(frmMain& window);

}  // namespace bq
