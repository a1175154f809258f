#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// The lines of every log file in a folder without their timestamps:
// "INFOM  CmdLine=-L" (level name, the empty prefix's two spaces, message).
inline QStringList ReadLogLines(const QString& folder) {
  QStringList lines;
  const QDir dir(folder);
  for (const QString& name : dir.entryList({QStringLiteral("Downloader*.log")}, QDir::Files, QDir::Name)) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QByteArray bytes = file.readAll();
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
      const qsizetype end = line.indexOf(QStringLiteral("] "));
      lines << (end < 0 ? line : line.mid(end + 2));
    }
  }
  return lines;
}
