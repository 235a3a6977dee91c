// The main window: the tool strip, the editing area with the eight sections, the shipping and
// payment tabs and the table layout, and below a splitter the live preview.
#pragma once

#include <QMainWindow>
#include <QSplitter>
#include <QWebEngineView>

#include "app/window/frm_main.h"
#include "gui/binder.h"
#include "gui/preview_splitter.h"
#include "gui/qt_platform.h"
#include "gui/window_builder.h"

class QMenu;

namespace bq::gui {

class MainWindow : public QMainWindow {
 public:
  MainWindow(frmMain& form, QtPlatform& platform);

  QWebEngineView* WBrowser() const { return browser_; }
  PreviewSplitter* imgMove() const { return splitter_; }

  // Files opened or saved lately, newest first (kept with QSettings).
  static QStringList recentFiles();
  // Recent files kept by earlier versions under another organisation name, taken over once.
  static void takeOverEarlierSettings();

  // A settings file dropped anywhere on the window opens (after the question).
  bool eventFilter(QObject* watched, QEvent* event) override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  QWidget* toolStrip();
  QWidget* editingArea();
  // The window's own buttons: recent files, the gallery, the batch.
  QWidget* command(const layout::Piece& p);
  void documentChanged();
  // The whole frame, title bar included, inside the screen's free area.
  void placeInsideScreen();
  QRect screenGeometryAvailable() const;
  void fillRecentMenu();

  frmMain& form_;
  QtPlatform& platform_;
  Binder binder_;
  WindowBuilder builder_;
  PreviewSplitter* splitter_ = nullptr;
  QWebEngineView* browser_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  bool placed_ = false;
};

}  // namespace bq::gui
