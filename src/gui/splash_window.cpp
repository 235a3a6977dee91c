#include "gui/splash_window.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "app/window/version.h"

namespace bq::gui {

frmFirst::frmFirst() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmFirst"));
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("Bidquill"));
  QFont f = title->font();
  f.setPointSize(f.pointSize() * 2);
  f.setBold(true);
  title->setFont(f);
  auto* Label1 = new QLabel(QStringLiteral("初期化中..."));
  auto* Label3 = new QLabel(QStringLiteral("バージョン ") + QString::fromUtf8(kVersion));
  auto* Label2 = new QLabel(QStringLiteral("オークションの商品説明を作成します。"));
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2->setObjectName(QStringLiteral("Label2"));
  Label3->setObjectName(QStringLiteral("Label3"));
  PBFirst = new QProgressBar;
  PBFirst->setObjectName(QStringLiteral("PBFirst"));
  for (QWidget* w :
       {static_cast<QWidget*>(title), static_cast<QWidget*>(Label1), static_cast<QWidget*>(PBFirst),
        static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label2)}) {
    layout->addWidget(w);
  }
  setFixedSize(360, 180);
}

void frmFirst::show(int maximum) {
  PBFirst->setRange(0, maximum);
  PBFirst->setValue(0);
  QWidget::show();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmFirst::setProgress(int value) {
  PBFirst->setValue(value);
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace bq::gui
