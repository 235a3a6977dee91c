// A fresh engine per test: an app folder of its own under the temporary directory, holding a
// copy of the delivered templates, started as the program starts.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "app/window/frm_main.h"
#include "core/app_folder.h"
#include "forms/headless_platform.h"
#include "text/cp932.h"

namespace bq::test {

namespace fs = std::filesystem;

inline fs::path freshFolder(const std::string& tag) {
  static std::mt19937_64 rng{std::random_device{}()};
  fs::path dir = fs::temp_directory_path() / ("bidquill-" + tag + "-" + std::to_string(rng()));
  fs::create_directories(dir);
  return dir;
}

inline std::string readFile(const fs::path& p) {
  return readWholeFile(p).value_or("<missing>");
}

// A fresh app folder holding a copy of the templates; the temporary pages go to a private
// folder of the test's own, as the program makes it.
inline fs::path appFolderWithTemplates(const std::string& tag) {
  fs::path dir = freshFolder(tag);
  setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
  fs::create_directories(dir / "data");
  fs::copy(BIDQUILL_TEMPLATE_DIR, dir / "data" / "tag", fs::copy_options::recursive);
  return dir;
}

class Engine : public ::testing::Test {
 protected:
  void SetUp() override { dir = appFolderWithTemplates("engine"); }
  void TearDown() override {
    form.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  // Starts the engine; tests may first change the templates in dir/data/tag.
  frmMain& start() {
    form = std::make_unique<frmMain>(platform, dir);
    missing = form->Load();
    return *form;
  }
  frmMain& f() {
    if (!form) start();
    return *form;
  }
  template <class T>
  T& c(const std::string& name) {
    T* p = f().registry().find<T>(name);
    if (!p) throw std::runtime_error("no control " + name);
    return *p;
  }
  std::string value(const std::string& name) { return f().registry().readValue(name); }
  std::string text(const std::string& name) {
    if (auto* b = f().registry().find<TextBox>(name)) return b->text();
    return c<TextHolder>(name).text();
  }
  std::string page() { return c<TextBox>("txtTag").text(); }
  void click(const std::string& name) {
    Control* ctl = f().registry().find(name);
    if (!ctl || !userClick(*ctl)) throw std::runtime_error("cannot click " + name);
  }
  void type(const std::string& name, const std::string& t) { c<TextBox>(name).setText(t); }
  std::string tag(const std::string& file) { return readFile(dir / "data" / "tag" / file); }
  fs::path file(const std::string& name) { return dir / name; }
  // 設定ファイルを保存 and 設定ファイルを開く with the file chosen in the dialog; an open over
  // what was typed answers the question 保存しない.
  void save(const fs::path& p) {
    platform.queueFile(p.string());
    click("cmdSave");
  }
  void open(const fs::path& p) {
    if (f().document.modified()) platform.queueAnswer("discard");
    platform.queueFile(p.string());
    click("cmdOpen");
  }
  void writeTemplate(const std::string& file, const std::string& content) {
    std::ofstream(dir / "data" / "tag" / file, std::ios::binary) << content;
  }
  static std::size_t count(const std::string& hay, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
    return n;
  }

  fs::path dir;
  HeadlessPlatform platform;
  std::unique_ptr<frmMain> form;
  std::vector<fs::path> missing;
};

}  // namespace bq::test
