#include "transfer/MD5Digest.h"

#include "log/Log.h"
#include "platform/FileIdentity.h"
#include "platform/NoFollowFile.h"

#include <QFile>

#include <cstdio>
#include <cstring>
#include <memory>

CMD5Digest::CMD5Digest() = default;

CMD5Digest::CMD5Digest(CLogWriter& logger) : Logger(&logger) {}

CMD5Digest::~CMD5Digest() = default;

void CMD5Digest::Reset() { Context.Reset(); }

void CMD5Digest::Update(const void* data, std::size_t size) { Context.Update(data, size); }

CMD5Digest::Digest CMD5Digest::Final() {
  const Digest digest = Context.Final();
  Context.Reset();
  return digest;
}

CMD5Digest::EHashResult CMD5Digest::HashFile(const QString& path, Digest& digest, CFileIdentity* identity) {
  HashedBytes.store(0, std::memory_order_relaxed);
  QFile file;
  // Unbuffered: each chunk goes from the kernel straight into our buffer.
  if (!OpenRegularForReading(file, path)) return HASH_UNREADABLE;
  CFileIdentity before;
  const bool stable = identity && ReadFileIdentity(file.handle(), before);
  CMD5Context context;
  const auto chunk = std::make_unique<char[]>(CHUNK_SIZE);
  qint64 total = 0;
  for (;;) {
    if (IsStopped()) return HASH_STOPPED;
    const qint64 got = file.read(chunk.get(), CHUNK_SIZE);
    if (got < 0) return HASH_UNREADABLE;
    if (got == 0) break;
    context.Update(chunk.get(), static_cast<std::size_t>(got));
    total += got;
    HashedBytes.store(total, std::memory_order_relaxed);
    ObserveStep();
  }
  digest = context.Final();
  // The identity vouches for these bytes only when nothing touched the file
  // while it was read.
  if (identity) {
    CFileIdentity after;
    if (!stable || !ReadFileIdentity(file.handle(), after) || !(after == before)) after = CFileIdentity();
    *identity = after;
  }
  return HASH_DONE;
}

bool CMD5Digest::HashFile(const QString& path, Digest& digest) {
  return HashFile(path, digest, nullptr) == HASH_DONE;
}

int CMD5Digest::CompareFileDigest(const QString& path, const Digest& expected) {
  HashedBytes.store(0, std::memory_order_relaxed);
  Digest actual;
  const EHashResult result = HashFile(path, actual, nullptr);
  if (result == HASH_STOPPED) return COMPARE_STOPPED;
  if (result == HASH_UNREADABLE) {
    LogUnreadable(path);
    return -1;
  }
  return CompareDigest(path, actual, expected);
}

int CMD5Digest::CompareDigest(const QString& path, const Digest& actual, const Digest& expected) {
  if (actual == expected) {
    if (Logger) LogTrace(*Logger, "Identical digest:%s", path);
    return 1;
  }
  if (Logger) LogTrace(*Logger, "Differrent digest:%s", path);
  return 0;
}

int CMD5Digest::ReportDifferent(const QString& path) {
  if (Logger) LogTrace(*Logger, "Differrent digest:%s", path);
  return 0;
}

void CMD5Digest::LogUnreadable(const QString& path) {
  if (Logger) LogWarning(*Logger, "Cannot open input file %s", path);
}

QByteArray CMD5Digest::ReadDigestText(const QString& text) {
  QByteArray bytes;
  for (qsizetype i = 0; i < text.size(); i += 2) {
    // Only the pair itself is scanned: "%2x" skips white space and takes a
    // sign, and must not reach past its two characters.
    char pair[3] = {0, 0, 0};
    for (qsizetype k = 0; k < 2 && i + k < text.size(); ++k) {
      const char16_t unit = text.at(i + k).unicode();
      pair[k] = unit < 0x80 ? static_cast<char>(unit) : '?';
      if (pair[k] == '\0') pair[k] = '?';
    }
    unsigned int value = 0;
    if (std::sscanf(pair, "%2x", &value) == 1) bytes.append(static_cast<char>(value & 0xffu));
  }
  return bytes;
}

bool CMD5Digest::ParseDigestText(const QString& text, Digest& digest) {
  const QByteArray bytes = ReadDigestText(text);
  if (bytes.size() != DIGEST_BYTES) return false;
  std::memcpy(digest.data(), bytes.constData(), DIGEST_BYTES);
  return true;
}

QString CMD5Digest::ToHexText(const Digest& digest) {
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(digest.data()), DIGEST_BYTES).toHex());
}

CMD5Digest::Digest CMD5Digest::Of(const void* data, std::size_t size) {
  CMD5Context context;
  context.Update(data, size);
  return context.Final();
}
