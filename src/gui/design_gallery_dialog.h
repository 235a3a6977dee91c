// デザインを選ぶ…: the gallery's designs side by side, each a small preview of the seller's own
// listing in that design; choosing one applies it as デザインを読み込む… does.
#pragma once

#include <QWidget>

namespace bq {
class frmMain;
}

namespace bq::gui {

void chooseDesign(QWidget* parent, frmMain& form);

}  // namespace bq::gui
