#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A scratch folder per test, removed with everything in it afterwards.
class CTempFolder {
public:
  CTempFolder() { Dir.setAutoRemove(true); }
  QString Path() const { return Dir.path(); }
  QString File(const QString& name) const { return Dir.path() + QLatin1Char('/') + name; }

  QString Write(const QString& name, const QByteArray& bytes) const {
    const QString path = File(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
  }

  static QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

private:
  QTemporaryDir Dir;
};
