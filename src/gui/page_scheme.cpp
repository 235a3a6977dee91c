#include "gui/page_scheme.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QBuffer>
#include <QFile>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#include "markup/markup_reader.h"

namespace bq::gui {

namespace {

constexpr char kPageScheme[] = "bidquill-page";

// Serves exactly the program's two page files, as code page 932 HTML: no other name, no
// link, nothing outside.
class PageSchemeHandler : public QWebEngineUrlSchemeHandler {
 public:
  void setPages(QStringList pages) { pages_ = std::move(pages); }

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    QString path = job->requestUrl().path();
    int fd = pages_.contains(path) ? ::open(QFile::encodeName(path).constData(),
                                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)
                                   : -1;
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
      ::close(fd);
      fd = -1;
    }
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
      if (fd >= 0) ::close(fd);
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    std::string page = file.readAll().toStdString();
    markup::disarmRefresh(page);
    auto* body = new QBuffer(job);
    body->setData(QByteArray::fromStdString(page));
    body->open(QIODevice::ReadOnly);
    job->reply(QByteArrayLiteral("text/html;charset=Shift_JIS"), body);
  }

 private:
  QStringList pages_;
};

}  // namespace

void registerPageScheme() {
  QWebEngineUrlScheme scheme(kPageScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
  QWebEngineUrlScheme::registerScheme(scheme);
}

void installPageScheme(const std::filesystem::path& tempFolder) {
  QStringList pages;
  if (!tempFolder.empty()) {
    for (const char* name : {"temp.htm", "temp_yahoo.htm"}) {
      pages << QString::fromStdString((tempFolder / name).string());
    }
    for (int i = 0; i < kGalleryPages; ++i) {
      pages << QString::fromStdString(galleryPage(tempFolder, i).string());
    }
  }
  QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
  static QPointer<PageSchemeHandler> handler;
  if (!handler) {
    handler = new PageSchemeHandler;
    handler->setParent(profile);
    profile->installUrlSchemeHandler(kPageScheme, handler);
  }
  handler->setPages(pages);
}

std::filesystem::path galleryPage(const std::filesystem::path& tempFolder, int i) {
  return tempFolder / ("design-" + std::to_string(i) + ".htm");
}

QUrl pageUrl(const std::filesystem::path& file) {
  QUrl url;
  url.setScheme(QString::fromLatin1(kPageScheme));
  url.setPath(QString::fromStdString(file.string()));
  return url;
}

bool isPageUrl(const QUrl& url) {
  return url.scheme() == QLatin1String(kPageScheme);
}

}  // namespace bq::gui
