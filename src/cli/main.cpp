// bidquill-cli: the engine without a display. `render` writes the page a fresh start makes;
// `run` plays a script of user actions against it.
#include <malloc.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/script/script_runner.h"
#include "app/window/frm_main.h"
#include "app/window/version.h"
#include "cli/batch_command.h"
#include "core/app_folder.h"
#include "core/templates.h"
#include "files/safe_file.h"
#include "forms/headless_platform.h"
#include "text/cp932.h"

namespace fs = std::filesystem;

namespace {

// Scripts hold what a seller types; a larger file is refused rather than read.
constexpr std::uintmax_t kMaxScript = 64u << 20;

constexpr const char* kUsage =
    "usage:\n"
    "  bidquill-cli render [--app-folder DIR] [--framed] [SETTINGS.ini] [-o OUT.html]\n"
    "  bidquill-cli run    [--app-folder DIR] SCRIPT|-\n"
    "  bidquill-cli check  [--app-folder DIR] SETTINGS.ini\n"
    "  bidquill-cli batch  [--app-folder DIR] [--design SETTINGS.ini] ITEMS.csv -o OUT.csv\n"
    "                      [--html-dir DIR] [--name-column COLUMN] [--header NAME]\n"
    "                      [--replace COLUMN]\n"
    "                      [--map \"欄1 本文=HEADER\"]...\n"
    "  bidquill-cli --help | --version\n";

struct Options {
  std::string command;
  fs::path appFolder;
  bool framed = false;
  std::string output;
  bq::cli::BatchCommand batch;
  std::vector<std::string> positional;
};

bool parse(int argc, char** argv, Options& o, std::string& error) {
  if (argc < 2) {
    error = "no command given";
    return false;
  }
  o.command = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) {
        error = a + " needs a value";
        return false;
      }
      into = argv[++i];
      return true;
    };
    if (a == "--app-folder") {
      std::string v;
      if (!value(v)) return false;
      o.appFolder = v;
    } else if (a == "--framed") {
      o.framed = true;
    } else if (a == "-o") {
      if (!value(o.output)) return false;
    } else if (o.command == "batch" && (a == "--design" || a == "--html-dir")) {
      std::string v;
      if (!value(v)) return false;
      (a == "--design" ? o.batch.design : o.batch.htmlDir) = v;
    } else if (o.command == "batch" && a == "--name-column") {
      if (!value(o.batch.nameColumn)) return false;
    } else if (o.command == "batch" && a == "--header") {
      if (!value(o.batch.header)) return false;
    } else if (o.command == "batch" && a == "--replace") {
      if (!value(o.batch.replace)) return false;
    } else if (o.command == "batch" && a == "--map") {
      if (!value(o.batch.maps.emplace_back())) return false;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      error = "unknown option " + a;
      return false;
    } else {
      o.positional.push_back(a);
    }
  }
  return true;
}

// Line breaks written as \r and \n, so that one message stays on one line.
std::string oneLine(const std::string& s) {
  std::string text;
  for (char c : s) {
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else {
      text += c;
    }
  }
  return text;
}

void printMessage(const bq::RecordedMessage& m) {
  std::cerr << "message: " << m.title << ": " << oneLine(m.text) << '\n';
}

void printQuestion(const bq::Question& q, const std::string& answer) {
  std::cerr << "question: " << q.title << ": " << oneLine(q.text) << " [";
  for (std::size_t i = 0; i < q.choices.size(); ++i) {
    std::cerr << (i ? " / " : "") << q.choices[i].caption << "=" << q.choices[i].key;
  }
  std::cerr << "] -> " << answer << '\n';
}

// The pages a run makes go to a private folder of its own, never to the one a running window
// previews (a run would replace the seller's preview); it goes when the run ends.
struct OwnPageFolder {
  OwnPageFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "bidquill-cli-XXXXXX").string();
    if (::mkdtemp(name.data())) path = name;
  }
  ~OwnPageFolder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  OwnPageFolder(const OwnPageFolder&) = delete;
  OwnPageFolder& operator=(const OwnPageFolder&) = delete;
  std::filesystem::path path;
};

// Starts the engine as the program starts; false when a template is missing.
bool start(bq::frmMain& form) {
  auto missing = form.Load();
  for (const auto& file : missing) {
    std::string why = bq::loadTemplate(file).why;
    std::cerr << "bidquill-cli: テンプレートファイルを読み込めません: " << bq::displayPath(file)
              << (why.empty() ? "" : "（" + why + "）") << '\n';
  }
  return missing.empty();
}

// Opens the settings file as the seller opens it; false (the reason on stderr) when it did not
// load whole.
bool open(const std::string& file, bq::frmMain& form, bq::HeadlessPlatform& platform) {
  std::size_t before = platform.messages.size();
  platform.queueFile(file);
  form.settings.cmdOpen.click();
  return platform.messages.size() == before;
}

int check(const Options& o, bq::frmMain& form, bq::HeadlessPlatform& platform) {
  if (o.positional.size() != 1) {
    std::cerr << "bidquill-cli: check takes one settings file\n" << kUsage;
    return 2;
  }
  // As the manual says: 1 for a missing template, 2 for input that cannot be read.
  if (!start(form)) return 1;
  if (!open(o.positional[0], form, platform)) return 2;
  form.output.assembleNow();
  bq::ListingReport report = form.listingReport();
  for (const std::string& f : report.findings) std::cout << f << '\n';
  std::cerr << report.size << '\n';
  return report.findings.empty() ? 0 : 1;
}

int render(const Options& o, bq::frmMain& form, bq::HeadlessPlatform& platform) {
  if (o.positional.size() > 1) {
    std::cerr << "bidquill-cli: render takes at most one settings file\n" << kUsage;
    return 2;
  }
  if (!start(form)) return 1;
  if (!o.positional.empty() && !open(o.positional[0], form, platform)) return 2;
  std::string page = form.output.assembleNow();
  if (o.framed) page = form.holders.rtxtYahooTag1.text() + page;
  if (o.output.empty()) {
    std::cout << page;
    return std::cout ? 0 : 1;
  }
  // As the seller's files are written: a new file, flushed, renamed over the old one; a full
  // disk leaves the old page whole, and a FIFO or a device is refused rather than written.
  if (auto failure = bq::files::saveFileSafely(std::filesystem::u8path(o.output), page)) {
    std::cerr << "bidquill-cli: " << o.output << " に書き込めませんでした: " << failure->reason
              << '\n';
    return 1;
  }
  return 0;
}

int run(const Options& o, bq::frmMain& form, bq::HeadlessPlatform& platform) {
  if (o.positional.size() != 1) {
    std::cerr << "bidquill-cli: run takes one script (or - for standard input)\n" << kUsage;
    return 2;
  }
  const std::string& name = o.positional[0];
  std::istringstream file;
  std::istream* in = &std::cin;
  if (name != "-") {
    // Read as every other file: a regular file of bounded size, in the encoding its bytes say.
    bq::files::ReadResult r =
        bq::files::readRegularFile(std::filesystem::u8path(name), {kMaxScript, kMaxScript});
    if (r.error != bq::files::ReadError::None) {
      std::cerr << "bidquill-cli: スクリプト " << name << " を読めません: "
                << (r.error == bq::files::ReadError::TooLarge
                        ? "ファイルが大きすぎます（64MB まで）。"
                        : r.reason)
                << '\n';
      return 2;
    }
    bq::text::Decided decided = bq::text::decideEncoding(r.bytes);
    if (!decided.clean()) {
      std::cerr << "bidquill-cli: スクリプト " << name << " の "
                << bq::text::lineAt(r.bytes, decided, decided.bad)
                << " 行目に、UTF-8 としてもシフトJIS としても読めない文字があります。UTF-8 で"
                   "保存し直してください。\n";
      return 2;
    }
    file.str(bq::text::decodeText(r.bytes));
    in = &file;
  }
  if (!start(form)) return 1;
  bq::ScriptRunner runner(form, platform, std::cout);
  bq::Failure failed = runner.run(*in, name == "-" ? "<stdin>" : name);
  std::cout.flush();
  if (!failed) return 0;
  std::cerr << "bidquill-cli: " << *failed << '\n';
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Blocks of a megabyte or more are mapped on their own, so a long text freed is memory given
  // back (a batch goes through thousands of pages).
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  std::ios::sync_with_stdio(false);
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "bidquill-cli " << bq::kVersion << '\n';
    return 0;
  }
  Options o;
  std::string error;
  if (!parse(argc, argv, o, error) || (o.command != "render" && o.command != "run" &&
                                       o.command != "check" && o.command != "batch")) {
    std::cerr << "bidquill-cli: " << (error.empty() ? "unknown command " + o.command : error)
              << '\n'
              << kUsage;
    return 2;
  }
  if (o.command == "batch") {
    if (o.positional.size() != 1) {
      std::cerr << "bidquill-cli: batch takes one spreadsheet (CSV or TSV)\n" << kUsage;
      return 2;
    }
    o.batch.appFolder = o.appFolder;
    o.batch.items = o.positional[0];
    o.batch.output = o.output;
    return bq::cli::runBatch(o.batch, std::cout, std::cerr);
  }
  bq::HeadlessPlatform platform;
  platform.onMessage = printMessage;
  platform.onQuestion = printQuestion;
  OwnPageFolder pages;
  bq::frmMain form(platform, o.appFolder.empty() ? bq::AppFolder() : o.appFolder, pages.path);
  if (o.command == "check") return check(o, form, platform);
  return o.command == "render" ? render(o, form, platform) : run(o, form, platform);
}
