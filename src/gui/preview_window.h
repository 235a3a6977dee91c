// frmWeb: the preview window, with the page (also at a phone's width), its HTML and the checks.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QWidget>

#include "gui/listing_panel.h"
#include "gui/preview_browser.h"

namespace bq::gui {

class frmWeb : public QWidget, public PreviewWindow {
 public:
  frmWeb();
  void hide() override { QWidget::hide(); }
  Browser& browser() override { return browser_; }
  void setSourceText(const std::string& html) override;
  void showAndFocus() override;
  // "プレビュー - " and the main window's title (its unsaved mark "[*]" left out).
  void showListingTitle(const QString& mainTitle);
  void showReport(ReportMaker make, std::function<void()> fix) override;
  // Whether it was last asked to the front and the seller has not gone to another window since.
  bool inFront() const { return inFront_; }

  QTabWidget* tabWeb;
  QWebEngineView* WBrowser;
  QPlainTextEdit* rtxtTag;
  QCheckBox* chkPhone;       // the page as wide as a phone's screen
  QComboBox* cmbPhoneWidth;  // which phone: its width in CSS px
  ListingPanel* pnlChecks;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  // The phone view's width: the phone's CSS px for the page, besides the scroll bar; measured
  // again at most `rounds` times while the width changes.
  void fitPhoneWidth(int rounds);
  void fitPhoneWidthTo(int scrollBar, int rounds);
  int phoneWidth() const;
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

}  // namespace bq::gui
