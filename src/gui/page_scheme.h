// The scheme the previews read the program's page files through.
#pragma once

#include <QUrl>
#include <filesystem>

namespace bq::gui {

// The temporary pages are code page 932 without a charset of their own, and Chromium guesses
// (often wrongly) when it reads such a file. They are served through a scheme of ours that says
// "charset=Shift_JIS". Register before the QApplication exists; install once it does.
void registerPageScheme();
void installPageScheme(const std::filesystem::path& tempFolder);
QUrl pageUrl(const std::filesystem::path& file);
// The gallery's samples, served the same way: at most this many.
inline constexpr int kGalleryPages = 24;
std::filesystem::path galleryPage(const std::filesystem::path& tempFolder, int i);

bool isPageUrl(const QUrl& url);

}  // namespace bq::gui
