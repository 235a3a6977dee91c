// Prints where the desktop window puts every control and window button, as JSON, for the
// browser test that compares the two front ends' layouts: each named widget's rectangle in
// window coordinates and the names of the widgets it stands in. Every page of the tabs is
// shown in turn, as a seller would see it.
//   bidquill_window_places WIDTHxHEIGHT   (QT_QPA_PLATFORM=offscreen)
#include <QApplication>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <random>
#include <set>

#include "app/window/window_layout.h"
#include "gui/main_window.h"
#include "gui/page_scheme.h"
#include "gui/qt_platform.h"
#include "gui/qt_process.h"
#include "gui/qt_text.h"
#include "gui/qt_translations.h"

namespace fs = std::filesystem;
using namespace bq;

namespace {

std::string quoted(const QString& s) {
  return "\"" + s.toStdString() + "\"";  // names are ASCII
}

void addPlaces(const QWidget& window, const std::set<QString>& names,
               std::map<QString, std::string>& out) {
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (!names.count(w->objectName()) || !w->isVisible() || out.count(w->objectName())) continue;
    QRect r(w->mapTo(&window, QPoint(0, 0)), w->size());
    std::string within;
    for (QWidget* p = w->parentWidget(); p && p != &window; p = p->parentWidget()) {
      if (p->objectName().isEmpty() || p->objectName().startsWith(QStringLiteral("qt_"))) continue;
      within += (within.empty() ? "" : ",") + quoted(p->objectName());
    }
    out[w->objectName()] = "{\"x\":" + std::to_string(r.x()) + ",\"y\":" + std::to_string(r.y()) +
                           ",\"width\":" + std::to_string(r.width()) +
                           ",\"height\":" + std::to_string(r.height()) + ",\"within\":[" + within +
                           "]}";
  }
}

}  // namespace

int main(int argc, char** argv) {
  gui::chooseRenderer();
  gui::registerPageScheme();
  QStandardPaths::setTestModeEnabled(true);
  gui::quietWebEngine();
  gui::RuntimeFolder runtime;
  QApplication app(argc, argv);
  runtime.release();
  QStringList size = QString::fromLocal8Bit(argc > 1 ? argv[1] : "1600x1000").split('x');
  if (size.size() != 2) {
    std::cerr << "usage: bidquill_window_places WIDTHxHEIGHT\n";
    return 2;
  }
  fs::path dir =
      fs::temp_directory_path() / ("bidquill-places-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "data");
  fs::copy(BIDQUILL_TEMPLATE_DIR, dir / "data" / "tag", fs::copy_options::recursive);
  // Its pages go into its own folder, never into a running window's.
  qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((dir / "run").string()));
  int status = 0;
  {
    gui::QtPlatform platform;
    frmMain form(platform, dir);
    if (!form.Load().empty()) {
      std::cerr << "bidquill_window_places: the templates are missing\n";
      status = 1;
    } else {
      gui::installPageScheme(form.paths().temp);
      gui::MainWindow window(form, platform);
      window.show();
      window.resize(size[0].toInt(), size[1].toInt());
      std::set<QString> names;
      for (const layout::Piece* p : layout::namedPieces()) names.insert(gui::qs(p->name));
      std::map<QString, std::string> places;
      auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
      for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        addPlaces(window, names, places);
      }
      std::cout << "{";
      const char* comma = "";
      for (const auto& [name, place] : places) {
        std::cout << comma << quoted(name) << ":" << place;
        comma = ",";
      }
      std::cout << "}\n";
    }
  }
  gui::deletePagesLeft();
  fs::remove_all(dir);
  return status;
}
