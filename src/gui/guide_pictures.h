// --first-preview and --screenshots: once the first preview has loaded, prints where start-up's
// time went; given a folder, saves the guide's pictures there (the window and its tabs, the
// preview on a computer and as a phone shows it, the design gallery), then quits.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <utility>
#include <vector>

namespace bq {
class frmMain;
}

namespace bq::gui {

class MainWindow;
class QtPlatform;

// Start-up's steps and when each ended (ms since the start).
using StartSteps = std::vector<std::pair<const char*, qint64>>;

void reportStartAndShoot(MainWindow& window, frmMain& form, QtPlatform& platform,
                         const QString& shots, const QElapsedTimer& sinceStart, StartSteps& steps);

}  // namespace bq::gui
