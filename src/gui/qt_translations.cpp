#include "gui/qt_translations.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace bq::gui {

namespace {

// Texts Qt's Japanese translation lacks (Qt 6 moved them to a context it has no entries for):
// the file dialog's "Folder" and its kind.
class MissingQtTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
    static const QHash<QByteArray, QString> texts = {
        {"Folder", QStringLiteral("フォルダー")}, {"File Folder", QStringLiteral("フォルダー")},
        {"Drive", QStringLiteral("ドライブ")},    {"Shortcut", QStringLiteral("ショートカット")},
        {"Alias", QStringLiteral("エイリアス")},  {"Unknown", QStringLiteral("不明")}};
    return texts.value(QByteArray(source));
  }
};

}  // namespace

void loadQtTranslations() {
  // The window speaks Japanese, so Qt's own texts (buttons, dialogs, menus) do too, whatever
  // the system's language.
  // Dates, times and sizes as a Japanese desktop shows them (the file dialog's columns).
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* name : {"qtbase", "qtwebengine"}) {
    auto* t = new QTranslator(qApp);
    if (t->load(QLocale(QLocale::Japanese, QLocale::Japan), QString::fromLatin1(name),
                QStringLiteral("_"), folder)) {
      QCoreApplication::installTranslator(t);
    } else {
      delete t;
    }
  }
  QCoreApplication::installTranslator(new MissingQtTexts(qApp));
}

}  // namespace bq::gui
