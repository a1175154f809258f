#include "list/ListSignature.h"
#include "list/ListTrust.h"
#include "support/QtPrint.h"
#include "support/SignedLists.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QByteArray LIST = "VN,100\r\nSN,0,Demo,7\r\nDL,0,demo.bin,00112233445566778899aabbccddeeff,10\r\n"
                        "IS,0,/bin/sh,demo.bin,0,1\r\n";

QByteArray FromHex(const char* hex) { return QByteArray::fromHex(hex); }

// OpenSSL's answers against the RFCs' own vectors: SHA-256 of "abc"
// (FIPS 180-2) and Ed25519 tests 1 and 2 of RFC 8032.
TEST(MakerKeys, KnownAnswersAndKeysAsOpensslWritesThem) {
  EXPECT_EQ(Sha256("abc").toHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  struct CVector {
    const char* Key;
    const char* Message;
    const char* Signature;
  };
  const CVector vectors[] = {
      {"d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
       "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b"},
      {"3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
       "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aeeb00d291612bb0c00"},
  };
  for (const CVector& v : vectors) {
    SCOPED_TRACE(v.Key);
    const QByteArray signature = FromHex(v.Signature);
    EXPECT_TRUE(VerifyEd25519(FromHex(v.Key), FromHex(v.Message), signature));
    QByteArray changed = signature;
    changed[10] = char(changed[10] ^ 1);
    EXPECT_FALSE(VerifyEd25519(FromHex(v.Key), FromHex(v.Message), changed));
    EXPECT_FALSE(VerifyEd25519(FromHex(v.Key), FromHex(v.Message) + "x", signature));
  }

  const CHostMakerKey key = NewMakerKey();
  CMakerKeys keys;
  EXPECT_FALSE(keys.Required);
  EXPECT_FALSE(keys.AddPem(key.PrivatePem)) << "a private key is no public key";
  EXPECT_TRUE(keys.Required) << "a key named but unreadable still means keys are wanted";
  ASSERT_TRUE(keys.AddPem(key.PublicPem));
  ASSERT_EQ(keys.Keys.size(), 1u);
  EXPECT_EQ(keys.Keys[0].Id, key.Id);
  EXPECT_EQ(key.Id, Sha256(keys.Keys[0].Raw).toHex().left(16));
  EXPECT_TRUE(key.PublicPem.startsWith("-----BEGIN PUBLIC KEY-----"));
}

// The keys CMake named are the ones built in (the test build's throwaway
// key, or none).
TEST(MakerKeys, TheBuiltInKeysAreTheConfiguredOnes) {
  const QStringList files = QStringLiteral(PARCEL2_BUILT_IN_KEY_FILES).split(';', Qt::SkipEmptyParts);
  CMakerKeys expected;
  for (const QString& path : files) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    EXPECT_TRUE(expected.AddPem(file.readAll()));
  }
  const CMakerKeys built = BuiltInMakerKeys();
  EXPECT_EQ(built.Required, !files.isEmpty());
  ASSERT_EQ(built.Keys.size(), expected.Keys.size());
  for (std::size_t i = 0; i < built.Keys.size(); ++i) EXPECT_EQ(built.Keys[i].Id, expected.Keys[i].Id);
}

// Every way a list can fail its signature, and the forms that pass. Two
// keys are trusted (a maker moving to a new one); a third is not.
TEST(ListSignature, ChecksTheListAsTheHostSentItAndTheProgramExtendedIt) {
  const CHostMakerKey oldKey = NewMakerKey(), newKey = NewMakerKey(), strangerKey = NewMakerKey();
  const CMakerKeys keys = KeysOf({&oldKey, &newKey});
  const QByteArray good = SignedList(LIST, oldKey);
  const QByteArray withSv = LIST + "SV,5,2030-07-01T12:00:00Z\r\n";
  const auto sign = [&](const QByteArray& bytes) {
    QString error;
    return bytes + SignatureLine(bytes, oldKey, &error);
  };
  QByteArray changedByte = good;
  changedByte[good.indexOf("/bin/sh") + 5] = 'z';
  QByteArray upperId = good;
  upperId.replace("SG," + oldKey.Id, "SG," + oldKey.Id.toUpper());
  QByteArray unpadded = good;
  unpadded.replace("==\r\n", "\r\n");
  QByteArray lfOnly = LIST;
  lfOnly.replace("\r\n", "\n");

  struct CCase {
    const char* Name;
    QByteArray Bytes;
    EListProblem Problem;
    QDateTime Now = TEST_NOW;
    std::int64_t Highest = 0;
  };
  const CCase cases[] = {
      {"good", good, LIST_TRUSTED},
      {"signed with the new key", SignedList(LIST, newKey), LIST_TRUSTED},
      {"the program's folder lines after it", good + "TD,,\r\nTD,,/home/u/Save here\r\n", LIST_TRUSTED},
      {"no line end after SG", good.chopped(2), LIST_TRUSTED},
      {"line feeds only", SignedList(lfOnly, oldKey), LIST_TRUSTED},
      {"the same serial as before", good, LIST_TRUSTED, TEST_NOW, 5},
      {"a byte changed after signing", changedByte, LIST_NO_MATCH},
      {"signed by the stranger", SignedList(LIST, strangerKey), LIST_UNKNOWN_KEY},
      {"not signed", LIST, LIST_NOT_SIGNED},
      {"not signed, with SV", withSv, LIST_NOT_SIGNED},
      {"expired", good, LIST_EXPIRED, TEST_NOW.addDays(31)},
      {"expired this very second", good, LIST_EXPIRED, TEST_NOW.addDays(30)},
      {"no SV", sign(LIST), LIST_NOT_SIGNED},
      {"two SV lines", sign(withSv + "SV,6,2030-07-01T12:00:00Z\r\n"), LIST_NOT_SIGNED},
      {"serial 0", sign(LIST + "SV,0,2030-07-01T12:00:00Z\r\n"), LIST_NOT_SIGNED},
      {"serial past 2^63-1", sign(LIST + "SV,9223372036854775808,2030-07-01T12:00:00Z\r\n"), LIST_NOT_SIGNED},
      {"the largest serial", sign(LIST + "SV,9223372036854775807,2030-07-01T12:00:00Z\r\n"), LIST_TRUSTED},
      {"expiry in another form", sign(LIST + "SV,5,2030-07-01T12:00:00+00:00\r\n"), LIST_NOT_SIGNED},
      {"a lower serial than before", good, LIST_OLDER, TEST_NOW, 6},
      {"a record after SG", good + "IS,1,/bin/evil,,0,1\r\n", LIST_NO_MATCH},
      {"a folder line with a comma", good + "TD,,/srv,IS\r\n", LIST_NO_MATCH},
      {"a folder line without its line end", good + "TD,,/srv", LIST_NO_MATCH},
      {"an empty line after SG", good + "\r\n", LIST_NO_MATCH},
      {"a second SG", good + good.mid(good.indexOf("SG,")), LIST_NO_MATCH},
      {"the key id in upper case", upperId, LIST_NO_MATCH},
      {"base64 without padding", unpadded, LIST_NO_MATCH},
      {"SG first", sign(QByteArray()) + LIST, LIST_NO_MATCH},
  };
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const CListVerdict verdict = CheckListSignature(c.Bytes, keys, c.Now, c.Highest);
    EXPECT_EQ(verdict.Problem, c.Problem) << ListProblemLogText(verdict).toStdString();
  }
  const CListVerdict verdict = CheckListSignature(good, keys, TEST_NOW, 0);
  EXPECT_EQ(verdict.Serial, 5);
  EXPECT_EQ(verdict.KeyId, oldKey.Id);
  EXPECT_EQ(ListProblemLogText(CheckListSignature(good, keys, TEST_NOW.addDays(40), 0)),
            "expired on 2030-07-01 12:00:00 UTC");
}

// The highest serial outlives the temporary folder; without keys a stored
// list counts only for the host and key it was fetched with.
TEST(ListTrust, RemembersSerialsAndWhereAStoredListCameFrom) {
  const CHostMakerKey key = NewMakerKey();
  CTempFolder state, firstTemp, freshTemp;
  CListTrust trust;
  trust.Keys = KeysOf({&key});
  trust.StateFolder = state.File("parcel2");
  trust.Now = [] { return TEST_NOW; };
  const CListSource source{QStringLiteral("https://Dl.Example:443/base"), QStringLiteral("secret key")};

  const QString newer = firstTemp.Write("list.lst", SignedList(LIST, key, 7));
  const CListVerdict taken = trust.CheckFetched(newer, 1001);
  ASSERT_TRUE(taken.IsTrusted());
  trust.Remember(newer, 1001, taken, source);
  EXPECT_EQ(trust.HighestSerial(1001), 7);
  EXPECT_EQ(trust.HighestSerial(1002), 0);

  CListTrust later = trust;  // another run of the same user
  const QString older = freshTemp.Write("list.lst", SignedList(LIST, key, 6));
  EXPECT_EQ(later.CheckFetched(older, 1001).Problem, LIST_OLDER);
  EXPECT_EQ(later.CheckStored(older, 1001, source).Problem, LIST_OLDER) << "stored lists are held to the same";
  EXPECT_TRUE(later.CheckFetched(older, 1002).IsTrusted()) << "serials are kept per purchase";
  later.Remember(older, 1001, later.CheckFetched(older, 1002), source);
  EXPECT_EQ(later.HighestSerial(1001), 7) << "never lowered";

  CListTrust keyless = trust;
  keyless.Keys = CMakerKeys();
  const QString stored = firstTemp.Write("other.lst", LIST);
  EXPECT_TRUE(keyless.CheckFetched(stored, 1001).IsTrusted());
  EXPECT_EQ(keyless.CheckStored(stored, 1001, source).Problem, LIST_OTHER_ORIGIN) << "no record, no use";
  keyless.Remember(stored, 1001, CListVerdict(), source);
  EXPECT_FALSE(CTempFolder::Read(stored + ".source").contains("secret")) << "the key itself is never kept";
  const struct {
    const char* HostUrl;
    const char* Key;
    bool Used;
  } sources[] = {
      {"https://dl.example/", "secret key", true},        {"https://DL.EXAMPLE:443", "secret key", true},
      {"http://dl.example:443/", "secret key", false},    {"https://dl.example:8443/", "secret key", false},
      {"https://mirror.example/", "secret key", false},  {"https://dl.example/", "secret key2", false},
      {"https://dl.example/", "", false},
  };
  for (const auto& s : sources) {
    SCOPED_TRACE(std::string(s.HostUrl) + " " + s.Key);
    const CListSource asked{QString::fromUtf8(s.HostUrl), QString::fromUtf8(s.Key)};
    EXPECT_EQ(keyless.CheckStored(stored, 1001, asked).IsTrusted(), s.Used);
  }
  CListTrust::ForgetSource(stored);
  EXPECT_FALSE(keyless.CheckStored(stored, 1001, source).IsTrusted());
}

}  // namespace
