#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

#include <gtest/gtest.h>

// What a customer sees of a path edit's font, whatever the machine's
// monospace face is: the desktop's fixed font, 14 pixels high, with glyphs
// that all advance alike. Qt's fixedPitch() is no help here: fontconfig
// does not mark every monospaced face (Noto Sans Mono, for one) as such.
inline ::testing::AssertionResult IsTheSystemFixedFontAt14Pixels(const QFont& font) {
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (font.family() != fixed.family())
    return ::testing::AssertionFailure() << "family " << font.family().toStdString() << ", the fixed font is "
                                         << fixed.family().toStdString();
  if (font.pixelSize() != 14) return ::testing::AssertionFailure() << "pixel size " << font.pixelSize();
  const QFontMetrics metrics(font);
  for (const QString& glyph : {QStringLiteral("W"), QStringLiteral("/"), QStringLiteral("0"), QStringLiteral("m")})
    if (metrics.horizontalAdvance(glyph) != metrics.horizontalAdvance(QStringLiteral("i")))
      return ::testing::AssertionFailure() << "\"i\" and \"" << glyph.toStdString() << "\" advance differently in "
                                           << QFontInfo(font).family().toStdString();
  return ::testing::AssertionSuccess();
}
