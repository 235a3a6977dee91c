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

void ListingPanel::addLine(const QString& text) {
  auto* item = new QListWidgetItem(text, lstChecks);
  item->setToolTip(text);
}

void ListingPanel::showNothingFound() {
  auto* item = new QListWidgetItem(QStringLiteral("問題は見つかりませんでした。"), lstChecks);
  item->setForeground(Qt::darkGreen);
}

void ListingPanel::showReport(const ListingReport& report, std::function<void()> fix) {
  fix_ = std::move(fix);
  lstChecks->clear();
  for (const std::string& line : report.findings) addLine(qs(line));
  checks_ = static_cast<int>(report.findings.size());
  if (report.findings.empty()) showNothingFound();
  cmdFix->setEnabled(report.fixable);
  lblPageSize->setText(qs(report.size));
}

void ListingPanel::showBrokenImages(const QStringList& sources) {
  if (sources.isEmpty()) return;
  if (checks_ == 0) lstChecks->clear();
  for (const QString& src : sources) {
    addLine(
        QStringLiteral("画像「%1」を読み込めませんでした。アドレスを確かめてください。").arg(src));
  }
}

}  // namespace bq::gui
