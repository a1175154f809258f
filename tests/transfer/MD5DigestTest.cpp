#include "transfer/MD5Digest.h"

#include "transfer/DigestPipeline.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

QString Hex(const CMD5Digest::Digest& digest) { return CMD5Digest::ToHexText(digest); }

QByteArray Oracle(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Md5); }

QString OracleHex(const QByteArray& bytes) { return QString::fromLatin1(Oracle(bytes).toHex()); }

// Not a repeating pattern, so a block fed twice or out of order shows.
QByteArray Pseudorandom(qsizetype size, std::uint32_t seed = 1) {
  QByteArray bytes(size, Qt::Uninitialized);
  for (qsizetype i = 0; i < size; ++i) {
    seed = seed * 1664525u + 1013904223u;
    bytes[i] = static_cast<char>(seed >> 24);
  }
  return bytes;
}

TEST(MD5Digest, RfcTestSuite) {
  const struct {
    const char* Input;
    const char* Expected;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(CMD5Digest::Of(QByteArray(c.Input))), c.Expected) << c.Input;
}

TEST(MD5Digest, PaddingBoundariesMatchTheOracle) {
  // Lengths around the 56-byte padding limit and the 64-byte block.
  for (qsizetype size : {55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000}) {
    const QByteArray bytes = Pseudorandom(size);
    EXPECT_EQ(Hex(CMD5Digest::Of(bytes)), OracleHex(bytes)) << size;
  }
}

TEST(MD5Digest, IncrementalUpdatesInAnySplitGiveTheSameDigest) {
  const QByteArray bytes = Pseudorandom(5000, 7);
  const QString expected = OracleHex(bytes);
  CMD5Digest md5;
  for (qsizetype step : {1, 3, 63, 64, 65, 127, 1000, 4999}) {
    for (qsizetype at = 0; at < bytes.size(); at += step) md5.Update(bytes.mid(at, step));
    EXPECT_EQ(Hex(md5.Final()), expected) << step;  // Final leaves it ready for the next stream
  }
  md5.Update(nullptr, 0);
  EXPECT_EQ(Hex(md5.Final()), "d41d8cd98f00b204e9800998ecf8427e");
}

// Two streams fed the same bytes in one pass, each starting at its own
// place in a block (a part's digest from nothing, the product's carried on
// after the parts before it), give what each would alone, for any split;
// and so does the pipeline that hashes them beside its producer.
TEST(MD5Digest, TwoStreamsInOnePassGiveWhatEachWouldAlone) {
  const QByteArray before = Pseudorandom(1000, 3);
  const QByteArray bytes = Pseudorandom(3 * CDigestPipeline::BUFFER_SIZE + 777, 11);
  for (qsizetype head : {0, 1, 37, 63, 64, 200}) {
    for (qsizetype step : {1, 63, 64, 65, 4096, 100000}) {
      if (step == 1 && head > 1) continue;  // slow, and no different
      CMD5Context part;
      CMD5Context product;
      product.Update(before.constData(), static_cast<std::size_t>(head));
      for (qsizetype at = 0; at < bytes.size(); at += step) {
        const QByteArray piece = bytes.mid(at, step);
        CMD5Context::UpdatePair(part, product, piece.constData(), static_cast<std::size_t>(piece.size()));
      }
      EXPECT_EQ(Hex(part.Final()), OracleHex(bytes)) << head << " " << step;
      EXPECT_EQ(Hex(product.Final()), OracleHex(before.left(head) + bytes)) << head << " " << step;
      EXPECT_EQ(product.GetByteCount(), static_cast<std::uint64_t>(head + bytes.size()));
    }
  }

  CDigestPipeline pipeline;
  for (const bool withProduct : {false, true}) {
    CMD5Context carried;
    carried.Update(before.constData(), 37);
    pipeline.Restart(true, withProduct ? std::optional<CMD5Context>(carried) : std::nullopt);
    pipeline.Submit(0);
    for (qsizetype at = 0; at < bytes.size();) {
      const qsizetype size = std::min<qsizetype>(bytes.size() - at, at % 3 ? CDigestPipeline::BUFFER_SIZE : 5000);
      std::memcpy(pipeline.NextBuffer().data(), bytes.constData() + at, static_cast<std::size_t>(size));
      pipeline.Submit(static_cast<std::size_t>(size));
      at += size;
    }
    pipeline.Drain();
    EXPECT_EQ(pipeline.GetSubmittedBytes(), static_cast<std::uint64_t>(bytes.size()));
    EXPECT_EQ(Hex(pipeline.GetPart().Final()), OracleHex(bytes));
    ASSERT_EQ(pipeline.GetProduct().has_value(), withProduct);
    if (withProduct) {
      EXPECT_EQ(Hex(pipeline.GetProduct()->Final()), OracleHex(before.left(37) + bytes));
    }
  }
}

TEST(MD5Digest, FilesAcrossTheChunkSizeMatchTheOracle) {
  CTempFolder temp;
  CMemoryLog log;
  CMD5Digest md5(log);
  for (qsizetype size : {qsizetype{0}, CMD5Digest::CHUNK_SIZE - 1, CMD5Digest::CHUNK_SIZE,
                         CMD5Digest::CHUNK_SIZE + 1, 3 * CMD5Digest::CHUNK_SIZE + 12345}) {
    const QByteArray bytes = Pseudorandom(size, static_cast<std::uint32_t>(size));
    const QString path = temp.Write(QString("f%1").arg(size), bytes);
    CMD5Digest::Digest digest{};
    ASSERT_TRUE(md5.HashFile(path, digest)) << size;
    EXPECT_EQ(Hex(digest), OracleHex(bytes)) << size;
    EXPECT_EQ(md5.GetHashedBytes(), size);

    CMD5Digest::Digest expected;
    ASSERT_TRUE(CMD5Digest::ParseDigestText(OracleHex(bytes).toUpper(), expected));
    EXPECT_EQ(md5.CompareFileDigest(path, expected), 1);
    EXPECT_TRUE(log.Has("TRACE Identical digest:" + path));
    expected[15] ^= 1;
    EXPECT_EQ(md5.CompareFileDigest(path, expected), 0);
    EXPECT_TRUE(log.Has("TRACE Differrent digest:" + path));
  }
}

TEST(MD5Digest, UnopenableFileGivesMinusOneAndAWarning) {
  CTempFolder temp;
  CMemoryLog log;
  CMD5Digest md5(log);
  const QString missing = temp.File("missing.TMP");
  EXPECT_EQ(md5.CompareFileDigest(missing, CMD5Digest::Digest{}), -1);
  EXPECT_TRUE(log.Has("WARNG Cannot open input file " + missing));
  EXPECT_EQ(md5.GetHashedBytes(), 0);
  // A folder opens on some systems but cannot be read.
  EXPECT_EQ(md5.CompareFileDigest(temp.Path(), CMD5Digest::Digest{}), -1);
}

TEST(MD5Digest, ReadsDigestTextsTwoCharactersPerByte) {
  const struct {
    QString Text;
    QByteArray Expected;  // as hex
    bool IsDigest;
  } cases[] = {
      {"d41d8cd98f00b204e9800998ecf8427e", "d41d8cd98f00b204e9800998ecf8427e", true},
      {"D41D8CD98F00B204E9800998ECF8427E", "d41d8cd98f00b204e9800998ecf8427e", true},
      {"d41d8cd98f00b204e9800998ecf842", "d41d8cd98f00b204e9800998ecf842", false},        // 30
      {"d41d8cd98f00b204e9800998ecf8427e00", "d41d8cd98f00b204e9800998ecf8427e00", false},  // 34
      {"", "", false},
      {"abc", "ab0c", false},             // a last single character is one digit
      {"zz12", "12", false},              // a pair that is no number adds nothing
      {"1z", "01", false},                // digits up to the first other character
      {" 1", "01", false},                // %2x skips white space inside the pair
      {QString::fromUtf16(u"\u00e9" "1"), "", false},
      {QString("1") + QChar(0) + "2", "0102", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CMD5Digest::ReadDigestText(c.Text).toHex(), c.Expected) << c.Text.toStdString();
    CMD5Digest::Digest digest;
    EXPECT_EQ(CMD5Digest::ParseDigestText(c.Text, digest), c.IsDigest) << c.Text.toStdString();
  }
}

}  // namespace
