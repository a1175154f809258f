#pragma once

#include "host/HostSigning.h"
#include "list/MakerKeys.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <initializer_list>

// Maker keys made at test time, and lists signed with them.

inline CHostMakerKey NewMakerKey() {
  CHostMakerKey key;
  QString error;
  EXPECT_TRUE(MakeMakerKey(key, &error)) << error.toStdString();
  return key;
}

// The program's key set holding the public halves.
inline CMakerKeys KeysOf(std::initializer_list<const CHostMakerKey*> makerKeys) {
  CMakerKeys keys;
  keys.Required = true;
  for (const CHostMakerKey* key : makerKeys) EXPECT_TRUE(keys.AddPem(key->PublicPem));
  return keys;
}

inline const QDateTime TEST_NOW = QDateTime(QDate(2030, 6, 1), QTime(12, 0), Qt::UTC);

inline QByteArray SignedList(const QByteArray& list, const CHostMakerKey& key, std::int64_t serial = 5,
                             const QDateTime& expires = TEST_NOW.addDays(30)) {
  QByteArray bytes = list;
  QString error;
  EXPECT_TRUE(SignList(bytes, key, serial, expires, &error)) << error.toStdString();
  return bytes;
}
