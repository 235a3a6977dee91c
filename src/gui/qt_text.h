// Conversions between the engine's UTF-8 text and colour numbers and Qt's types.
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>

namespace bq::gui {

inline QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

inline std::string str(const QString& s) {
  QByteArray b = s.toUtf8();
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// Qt counts UTF-16 units, the engine characters.
inline std::size_t charIndex(const QString& text, int utf16Pos) {
  return static_cast<std::size_t>(QStringView(text).left(utf16Pos).toUcs4().size());
}

inline int utf16Index(const QString& text, std::size_t chars) {
  int pos = 0;
  while (pos < text.size() && chars > 0) {
    pos += (text.at(pos).isHighSurrogate() && pos + 1 < text.size()) ? 2 : 1;
    --chars;
  }
  return pos;
}

// 0x00BBGGRR, as the engine keeps colours; a negative number is a system colour.
inline QColor toQColor(std::int32_t n) {
  if (n < 0) return QColor(Qt::gray);
  return QColor(n & 0xFF, (n >> 8) & 0xFF, (n >> 16) & 0xFF);
}

inline std::int32_t fromQColor(const QColor& c) {
  return static_cast<std::int32_t>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

}  // namespace bq::gui
