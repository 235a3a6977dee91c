// The platform services with real windows: Qt's dialogs, message box and clipboard, the
// embedded browsers, the splash frmFirst and the preview window frmWeb.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QTabWidget>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "forms/platform.h"
#include "gui/listing_panel.h"

namespace bq::gui {

// A page that shows only the program's own page: links the seller clicks open in the seller's
// browser (web addresses only), and nothing else leaves the preview or opens a window.
class PreviewPage : public QWebEnginePage {
 public:
  using QWebEnginePage::QWebEnginePage;

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  QWebEnginePage* createWindow(WebWindowType type) override;
};

// Shows only the newest page: while one update runs, further navigations replace the waiting
// one, so typing never waits for the browser. The first time a page file is shown it is loaded;
// after that, a new version of the same file replaces the shown document in place (no
// navigation, no new document), which takes a fraction of a reload. The scroll position is
// restored after each.
class QtBrowser : public Browser {
 public:
  explicit QtBrowser(QWebEngineView* view = nullptr);
  void attach(QWebEngineView* view);

  void navigate(const std::filesystem::path& file) override;
  ScrollPosition scrollPosition() override;
  void scrollTo(ScrollPosition p) override { restore_ = p; }

  QWebEngineView* view() const { return view_; }
  // Updates started: loads and replacements in place.
  int loadsStarted() const { return loadsStarted_; }
  int inPlaceUpdates() const { return inPlace_; }
  // Pages shown so far (loaded or replaced).
  int pagesShown() const { return shownCount_; }
  // Whether later versions of a page replace it in place (on by default).
  void setReplaceInPlace(bool on) { replaceInPlace_ = on; }
  // Told after each page is shown (loaded or replaced).
  std::function<void()> onShown;

 private:
  void startUpdate();
  void finished(bool ok, bool inPlace);

  QPointer<QWebEngineView> view_;
  std::optional<std::filesystem::path> pending_;
  bool busy_ = false;
  QUrl shown_;  // the page file the view shows, once it loaded well
  ScrollPosition restore_;
  bool replaceInPlace_ = true;
  int loadsStarted_ = 0;
  int inPlace_ = 0;
  int shownCount_ = 0;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // what late answers check
};

class frmFirst : public QWidget, public Splash {
 public:
  frmFirst();
  void show(int maximum) override;
  void setProgress(int value) override;
  void close() override { QWidget::close(); }

 private:
  QProgressBar* PBFirst;
};

class frmWeb : public QWidget, public PreviewWindow {
 public:
  frmWeb();
  void hide() override { QWidget::hide(); }
  Browser& browser() override { return browser_; }
  void setSourceText(const std::string& html) override;
  void showAndFocus() override;
  void showReport(ReportMaker make, std::function<void()> fix) override;
  // Whether it was last asked to the front and the seller has not gone to another window since.
  bool inFront() const { return inFront_; }

  QTabWidget* tabWeb;
  QWebEngineView* WBrowser;
  QPlainTextEdit* rtxtTag;
  QCheckBox* chkPhone;  // the page 375 CSS px wide, as a phone shows it
  ListingPanel* pnlChecks;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  // The phone view's width: 375 CSS px for the page, besides the scroll bar; measured again at
  // most `rounds` times while the width changes.
  void fitPhoneWidth(int rounds);
  void fitPhoneWidthTo(int scrollBar, int rounds);
  // Lists the images of shown page number `page` that did not load, asking again up to `tries`
  // times while some are still loading.
  void findBrokenImages(int page, int tries);

 private:
  QtBrowser browser_;
  bool inFront_ = false;
  int reportsAsked_ = 0;
  int pagesShown_ = 0;
  bool arrived_ = false;  // it has had the focus since it was asked to the front
};

class QtPlatform : public Platform {
 public:
  QtPlatform();
  ~QtPlatform() override;

  std::optional<std::int32_t> chooseColour(std::int32_t initial, std::int32_t remembered) override;
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  std::string ask(const Question& question) override;
  void setClipboardText(const std::string& text) override;
  Browser& mainBrowser() override { return main_; }
  PreviewWindow& previewWindow() override;
  Splash& splash() override { return *splash_; }
  bool openUrl(const std::string& url) override;
  void processEvents() override;
  void showStatus(const std::string& text) override;

  QtBrowser& qtMainBrowser() { return main_; }
  frmWeb* existingPreview() const { return preview_; }
  frmFirst* splashWindow() const { return splash_.get(); }
  void setDialogParent(QWidget* w) { parent_ = w; }
  // Where message boxes and questions go: the preview window while it is in front, else the
  // main window.
  QWidget* frontWindow() const;
  // Closes the splash and the preview window (when the main window goes).
  void closeAll();

 private:
  QtBrowser main_;
  std::unique_ptr<frmFirst> splash_;
  QPointer<frmWeb> preview_;
  QWidget* parent_ = nullptr;
};

// The view of both previews: a PreviewPage with the settings they share. Its page is deleted
// after the view, from the event loop: a page deleted first leaves the view to make a new one
// while it is being destroyed, and a page deleted as the view's child can be asked by Chromium
// for a render widget of a half-destroyed view — both crash now and then.
class PreviewView : public QWebEngineView {
 public:
  PreviewView();
  ~PreviewView() override;
};

// Qt's own texts (standard buttons, the colour and file dialogs, a text box's menu) in the
// system's language, from Qt's translations.
void loadQtTranslations();

// The previews show static pages: Qt Quick's software renderer composes them (and the window
// around them) in a fraction of the time the OpenGL path takes where there is no GPU (a key to
// a painted preview: 17 ms against 34 ms under Xvfb). A QT_QUICK_BACKEND the seller set wins.
// Call before the QApplication exists.
void chooseRenderer();

// The temporary pages are code page 932 without a charset of their own, and Chromium guesses
// (often wrongly) when it reads such a file. They are served through a scheme of ours that says
// "charset=Shift_JIS". Register before the QApplication exists; install once it does.
void registerPageScheme();
void installPageScheme(const std::filesystem::path& tempFolder);
QUrl pageUrl(const std::filesystem::path& file);
// The gallery's samples, served the same way: at most this many.
inline constexpr int kGalleryPages = 24;
std::filesystem::path galleryPage(const std::filesystem::path& tempFolder, int i);

}  // namespace bq::gui
