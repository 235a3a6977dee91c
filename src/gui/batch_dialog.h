// 一括作成…: a spreadsheet in, a description per row out. The seller picks the sheet, says
// which column goes into which title or body (headers that name one are chosen already), where
// the sheet with its new column goes and, if wanted, a folder for one .html file per row. The
// rows are made a few at a time between the window's events, with a progress bar whose
// キャンセル leaves nothing written; the summary lists every finding of the checks by row.
#pragma once

#include <QWidget>

namespace bq {
class frmMain;
}

namespace bq::gui {

class QtPlatform;

void startBatch(QWidget* parent, frmMain& form, QtPlatform& platform);

}  // namespace bq::gui
