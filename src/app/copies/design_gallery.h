// デザインを選ぶ…: the designs shipped with the program, each shown with the seller's own texts.
// The pages are made in an offscreen copy, so looking changes nothing; choosing one applies it
// as デザインを読み込む… does.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bq {

class frmMain;

// What the gallery says above the designs, in both front ends.
inline constexpr const char* kGalleryIntro =
    "今の見出し、本文、発送方法と支払方法で見本を作りました（左がパソコン、右がスマートフォンでの"
    "見え方）。選ぶと、色、太字、文字の大きさ、表の形、表示する欄と「商品について」だけが変わり、"
    "書いた内容と発送方法・支払方法はそのままです。";

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
