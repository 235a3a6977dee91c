#include "gui/guide_pictures.h"

#include <QApplication>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <memory>

#include "app/window/frm_main.h"
#include "gui/design_gallery_dialog.h"
#include "gui/main_window.h"
#include "gui/preview_window.h"
#include "gui/qt_platform.h"

namespace bq::gui {

void reportStartAndShoot(MainWindow& window, frmMain& form, QtPlatform& platform,
                         const QString& shots, const QElapsedTimer& sinceStart, StartSteps& steps) {
  auto fired = std::make_shared<bool>(false);
  QObject::connect(
      window.WBrowser(), &QWebEngineView::loadFinished, &window,
      [&window, &form, &platform, shots, &sinceStart, &steps, fired](bool) {
        if (*fired) return;
        *fired = true;
        steps.emplace_back("preview loaded", sinceStart.elapsed());
        // One more moment so that what was loaded is painted.
        QTimer::singleShot(300, &window, [&window, &form, &platform, shots, &sinceStart, &steps] {
          std::printf("first preview: %lld ms (",
                      static_cast<long long>(sinceStart.elapsed()) - 300);
          qint64 before = 0;
          for (const auto& [step, at] : steps) {
            std::printf("%s%s %lld", before ? ", " : "", step, static_cast<long long>(at - before));
            before = at;
          }
          std::printf(" ms)\n");
          std::fflush(stdout);
          if (shots.isEmpty()) return QApplication::quit();
          window.grab().save(shots + QStringLiteral("/main-window.png"));
          // The two tabs of the side, for the guide.
          if (auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTab1"))) {
            tabs->grab().save(shots + QStringLiteral("/shipping-tab.png"));
            tabs->setCurrentIndex(1);
            tabs->grab().save(shots + QStringLiteral("/payment-tab.png"));
            tabs->setCurrentIndex(0);
          }
          QTimer::singleShot(200, [] {
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
          });
          form.output.cmdPreviewClick();
          QTimer::singleShot(1500, [&window, &form, &platform, shots] {
            frmWeb* w = platform.existingPreview();
            if (w) {
              w->resize(1100, 700);
              w->grab().save(shots + QStringLiteral("/preview-window.png"));
              // The same page as a phone shows it.
              w->chkPhone->setChecked(true);
            }
            QTimer::singleShot(1500, [&window, &form, w, shots] {
              if (w) w->grab().save(shots + QStringLiteral("/preview-phone.png"));
              // デザインを選ぶ… with the sample's texts, once its samples are painted.
              QTimer::singleShot(3000, [shots] {
                if (QWidget* box = QApplication::activeModalWidget()) {
                  box->grab().save(shots + QStringLiteral("/gallery.png"));
                  box->close();
                }
              });
              chooseDesign(&window, form);
              // The question closing asks when there are changes; キャンセル keeps the window.
              if (auto* tick = form.registry().find<CheckBox>("chkSend3")) tick->click();
              QTimer::singleShot(500, [shots] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                  box->grab().save(shots + QStringLiteral("/save-question.png"));
                  box->reject();
                }
              });
              form.document.close();
              QApplication::quit();
            });
          });
        });
      });
}

}  // namespace bq::gui
