#include "gui/qt_process.h"

#include <stdlib.h>

#include <QCoreApplication>
#include <QEvent>
#include <QLoggingCategory>
#include <QString>
#include <string>

namespace bq::gui {

RuntimeFolder::RuntimeFolder() {
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
  std::error_code ec;
  std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
  if (ec) return;
  std::string pattern = (temp / "bidquill-runtime-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return;  // 0700, as Qt requires; else Qt's own fallback
  made_ = pattern;
  qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(pattern));
}

void RuntimeFolder::release() {
  if (made_.empty()) return;
  qunsetenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  std::filesystem::remove_all(made_, ec);
  made_.clear();
}

namespace {

QtMessageHandler before = nullptr;

void dropDevelopersNotices(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtInfoMsg && text == QLatin1String("Sandboxing disabled by user.")) return;
  if (before) before(type, context, text);
}

}  // namespace

void quietWebEngine() {
  QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
  before = qInstallMessageHandler(dropDevelopersNotices);
}

void deletePagesLeft() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace bq::gui
