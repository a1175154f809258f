#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Pseudo-random bytes, the same for the same size: a product whose parts
// all differ, so a part fetched in the wrong place shows.
inline QByteArray MakeProductBytes(int size) {
  QByteArray bytes(size, Qt::Uninitialized);
  std::uint32_t state = 2463534242u;
  for (int i = 0; i < size; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<char>(state);
  }
  return bytes;
}

// A text as the log and the host's error answers carry it.
inline QByteArray Utf16Le(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size() * 2);
  for (QChar c : text) {
    bytes.append(static_cast<char>(c.unicode() & 0xff));
    bytes.append(static_cast<char>(c.unicode() >> 8));
  }
  return bytes;
}
