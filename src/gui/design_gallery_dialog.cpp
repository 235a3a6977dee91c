#include "gui/design_gallery_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/design_gallery.h"
#include "app/frm_main.h"
#include "checks/markup_reader.h"
#include "files/safe_file.h"
#include "gui/qt_platform.h"
#include "gui/qt_text.h"
#include "text/cp932.h"

namespace bq::gui {
namespace {

constexpr double kZoom = 0.45;

}  // namespace

void chooseDesign(QWidget* parent, frmMain& form) {
  std::vector<DesignSample> samples = designSamples(form);
  if (samples.size() > static_cast<std::size_t>(kGalleryPages)) samples.resize(kGalleryPages);
  if (samples.empty()) {
    form.platform().showMessage("デザインが見つかりません。\r\n" +
                                    displayPath(form.paths().designs) +
                                    "\r\n\r\nBidquill を入れ直すと、デザインも戻ります。",
                                "Bidquill", MessageIcon::Warning);
    return;
  }
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("デザインを選ぶ"));
  auto* v = new QVBoxLayout(&dialog);
  auto* intro = new QLabel(QStringLiteral(
      "今の見出しと本文で見本を作りました。選ぶと、見出しと本文はそのままでデザイン（色、"
      "太字、文字の大きさ、表、発送方法と支払方法の表）だけが変わります。"));
  intro->setWordWrap(true);
  v->addWidget(intro);

  auto* grid = new QGridLayout;
  const int width = dialog.fontMetrics().averageCharWidth() * 44;
  const int height = width * 3 / 4;
  std::filesystem::path chosen;
  std::vector<std::filesystem::path> written;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const DesignSample& s = samples[i];
    auto* card = new QVBoxLayout;
    auto* name = new QLabel(qs(s.name));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    card->addWidget(name);
    // Shown as the previews show pages: a private file served through the program's scheme.
    std::filesystem::path file = galleryPage(form.paths().temp, static_cast<int>(i));
    std::optional<std::string> unwritten;
    if (s.error.empty()) {
      std::string page = s.page;
      checks::disarmRefresh(page);
      unwritten = form.paths().temp.empty()
                      ? std::optional<std::string>("一時フォルダーがありません。")
                      : files::writePrivateFile(file, text::utf8ToCp932Html(page));
      if (!unwritten) written.push_back(file);
    }
    if (!s.error.empty() || unwritten) {
      auto* why =
          new QLabel(s.error.empty() ? QStringLiteral("見本を出せません（%1）").arg(qs(*unwritten))
                                     : qs(s.error));
      why->setWordWrap(true);
      why->setFixedSize(width, height);
      card->addWidget(why);
    } else {
      auto* view = new PreviewView;
      view->setObjectName(QStringLiteral("design%1").arg(i));
      view->setFixedSize(width, height);
      view->setZoomFactor(kZoom);
      view->load(pageUrl(file));
      card->addWidget(view);
    }
    auto* use = new QPushButton(QStringLiteral("このデザインにする"));
    use->setEnabled(s.error.empty());
    QObject::connect(use, &QPushButton::clicked, &dialog, [&dialog, &chosen, file = s.file] {
      chosen = file;
      dialog.accept();
    });
    card->addWidget(use);
    grid->addLayout(card, static_cast<int>(i / 3), static_cast<int>(i % 3));
  }
  auto* area = new QScrollArea;
  auto* inner = new QWidget;
  inner->setLayout(grid);
  area->setWidget(inner);
  area->setWidgetResizable(true);
  v->addWidget(area, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  v->addWidget(buttons);
  dialog.resize(std::min(parent->width(), inner->sizeHint().width() + 40),
                std::min(parent->height(), inner->sizeHint().height() + 160));
  bool accepted = dialog.exec() == QDialog::Accepted;
  std::error_code ec;
  for (const auto& file : written) std::filesystem::remove(file, ec);
  if (accepted && !chosen.empty()) form.settings.openDesign(chosen);
}

}  // namespace bq::gui
