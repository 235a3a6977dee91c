#include "gui/listing_panel.h"

#include <QVBoxLayout>

#include "gui/qt_text.h"

namespace bq::gui {

ListingPanel::ListingPanel() {
  setObjectName(QStringLiteral("pnlChecks"));
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(4, 0, 0, 0);
  auto* title = new QLabel(QStringLiteral("出品前の確認"));
  QFont f = title->font();
  f.setBold(true);
  title->setFont(f);
  v->addWidget(title);
  lstChecks = new QListWidget;
  lstChecks->setObjectName(QStringLiteral("lstChecks"));
  lstChecks->setWordWrap(true);
  lstChecks->setTextElideMode(Qt::ElideNone);
  lstChecks->setSelectionMode(QAbstractItemView::NoSelection);
  v->addWidget(lstChecks, 1);
  cmdFix = new QPushButton(QStringLiteral("「<」を &&lt; に書き換える"));
  cmdFix->setObjectName(QStringLiteral("cmdFixLessThan"));
  cmdFix->setToolTip(
      QStringLiteral("タグにならない「<」を「&lt;」と書き換え、HTMLタグをもう一度コピーします"));
  connect(cmdFix, &QPushButton::clicked, this, [this] {
    if (fix_) fix_();
  });
  v->addWidget(cmdFix);
  lblPageSize = new QLabel;
  lblPageSize->setObjectName(QStringLiteral("lblPageSize"));
  lblPageSize->setWordWrap(true);
  v->addWidget(lblPageSize);
  setMinimumWidth(220);
}

void ListingPanel::showChecking() {
  report_.reset();
  cmdFix->setEnabled(false);
  fill();
}

void ListingPanel::showReport(const ListingReport& report, std::function<void()> fix) {
  fix_ = std::move(fix);
  report_ = report;
  cmdFix->setEnabled(report.fixable);
  lblPageSize->setText(qs(report.size));
  fill();
}

void ListingPanel::showBrokenImages(const QStringList& sources) {
  broken_ = sources;
  fill();
}

void ListingPanel::fill() {
  lstChecks->clear();
  auto add = [this](const QString& text, const QColor& colour = {}) {
    auto* item = new QListWidgetItem(text, lstChecks);
    item->setToolTip(text);
    if (colour.isValid()) item->setForeground(colour);
  };
  if (!report_) add(QStringLiteral("確認しています…"), Qt::darkGray);
  if (report_) {
    for (const std::string& line : report_->findings) add(qs(line));
  }
  for (const QString& src : broken_) {
    add(QStringLiteral("画像「%1」を読み込めませんでした。アドレスを確かめてください。").arg(src));
  }
  if (report_ && report_->findings.empty() && broken_.isEmpty()) {
    add(QStringLiteral("問題は見つかりませんでした。"), Qt::darkGreen);
  }
}

}  // namespace bq::gui
