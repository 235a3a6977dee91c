// The embedded browsers of the previews: what they may load and open, and how a new page is put
// into the shown one.
#pragma once

#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "forms/platform.h"

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
// navigation, no new document), which takes a fraction of a reload. A version told as an edit
// crosses to the page as only that change, which the page puts into the text it keeps; the
// edits that wait while an update runs cross together. The scroll position is restored after
// each.
class QtBrowser : public Browser {
 public:
  explicit QtBrowser(QWebEngineView* view = nullptr);
  void attach(QWebEngineView* view);

  void navigate(const std::filesystem::path& file) override;
  bool takesEdits() const override { return true; }
  void showEdit(const std::filesystem::path& file, const PageEdit& edit) override;
  ScrollPosition scrollPosition() override;
  void scrollTo(ScrollPosition p) override { restore_ = p; }

  QWebEngineView* view() const { return view_; }
  // Updates started: loads and replacements in place.
  int loadsStarted() const { return loadsStarted_; }
  int inPlaceUpdates() const { return inPlace_; }
  // Of those, the ones that crossed as edits.
  int editUpdates() const { return edited_; }
  // Pages shown so far (loaded or replaced).
  int pagesShown() const { return shownCount_; }
  // Told after each page is shown (loaded or replaced).
  std::function<void()> onShown;

 private:
  void startUpdate();
  void load(const QUrl& url);  // a document of its own, from the file (it keeps no text)
  void sendWhole(const std::filesystem::path& file, const QUrl& url);
  void sendEdits(const std::filesystem::path& file, const std::vector<PageEdit>& edits);
  void finished(bool ok, bool inPlace);

  QPointer<QWebEngineView> view_;
  std::optional<std::filesystem::path> pending_;
  std::vector<PageEdit> pendingEdits_;  // what changed since the page sent last
  bool pendingWhole_ = false;           // the waiting version must be read from its file
  bool textKept_ = false;               // the shown document's text is kept by the page
  bool busy_ = false;
  QUrl shown_;  // the page file the view shows, once it loaded well
  ScrollPosition restore_;
  int loadsStarted_ = 0;
  int inPlace_ = 0;
  int edited_ = 0;
  int shownCount_ = 0;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // what late answers check
};

// The view of both previews: a PreviewPage with the settings they share. Its page is deleted
// after the view, from the event loop: a page deleted first leaves the view to make a new one
// while it is being destroyed, and a page deleted as the view's child can be asked by Chromium
// for a render widget of a half-destroyed view — both crash now and then.
//
// Tab goes on to the window's next control instead of into the page's links: the preview is
// read (arrows and Page Down scroll it), and a page full of links would hold the keyboard.
class PreviewView : public QWebEngineView {
 public:
  PreviewView();
  ~PreviewView() override;

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
};

// Calls `call` (say "pageHeight(document)") on the shown-page module in `page`'s own world.
void callShownPage(QWebEnginePage* page, const QString& call,
                   const std::function<void(const QVariant&)>& done = {});

// The previews show static pages: Qt Quick's software renderer composes them (and the window
// around them) in a fraction of the time the OpenGL path takes where there is no GPU (a key to
// a painted preview: 17 ms against 34 ms under Xvfb). A QT_QUICK_BACKEND the seller set wins.
// Call before the QApplication exists.
void chooseRenderer();

}  // namespace bq::gui
