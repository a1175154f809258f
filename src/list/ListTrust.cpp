#include "list/ListTrust.h"

#include "platform/HttpUrl.h"
#include "platform/UserFolders.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <openssl/rand.h>

namespace {

constexpr std::int64_t READ_CHUNK_BYTES = 102400;

QString SerialPath(const QString& folder, int purchaseNo) {
  return folder + QStringLiteral("/ListSerial%1").arg(purchaseNo);
}

QString SourcePath(const QString& listPath) { return listPath + QStringLiteral(".source"); }

// False for a file that is missing or larger than a list may be.
bool ReadList(const QString& path, QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > CListTrust::MAX_LIST_BYTES) return false;
  bytes.clear();
  bytes.reserve(file.size());
  while (!file.atEnd() && bytes.size() <= CListTrust::MAX_LIST_BYTES) {
    const QByteArray chunk = file.read(READ_CHUNK_BYTES);
    if (chunk.isEmpty()) return false;
    bytes += chunk;
  }
  return bytes.size() <= CListTrust::MAX_LIST_BYTES;
}

// The host as a request reaches it: scheme, name and port.
QString HostOrigin(const QString& hostUrl) {
  CHttpUrl parts;
  if (!ParseHttpUrl(hostUrl, parts)) return QString();
  return QStringLiteral("%1://%2:%3").arg(parts.Secure ? "https" : "http", parts.Server.toLower()).arg(parts.Port);
}

QByteArray KeyDigest(const QByteArray& salt, const QString& key) { return Sha256(salt + key.toUtf8()).toHex(); }

}  // namespace

QString GetUserStateFolder() {
  // A relative XDG_STATE_HOME is to be ignored, as the other XDG folders.
  QString folder = qEnvironmentVariable("XDG_STATE_HOME");
  if (!QDir::isAbsolutePath(folder)) folder = QDir::homePath() + QStringLiteral("/.local/state");
  return folder + QStringLiteral("/parcel2");
}

CListTrust::CListTrust()
    : Keys(BuiltInMakerKeys()), StateFolder(GetUserStateFolder()), Now([] { return QDateTime::currentDateTimeUtc(); }) {}

CListVerdict CListTrust::CheckFetched(const QString& listPath, int purchaseNo) const {
  if (!Keys.Required) return CListVerdict();
  QByteArray bytes;
  CListVerdict tooLarge;
  tooLarge.Problem = LIST_NO_MATCH;
  if (!ReadList(listPath, bytes)) return tooLarge;
  return CheckListSignature(bytes, Keys, Now(), HighestSerial(purchaseNo));
}

CListVerdict CListTrust::CheckStored(const QString& listPath, int purchaseNo, const CListSource& source) const {
  if (Keys.Required) return CheckFetched(listPath, purchaseNo);
  CListVerdict verdict;
  QFile file(SourcePath(listPath));
  const QList<QByteArray> fields =
      file.open(QIODevice::ReadOnly) ? file.read(READ_CHUNK_BYTES).trimmed().split('\n') : QList<QByteArray>();
  const QString origin = HostOrigin(source.HostUrl);
  if (fields.size() != 3 || origin.isEmpty() || fields[0] != origin.toUtf8() ||
      fields[2] != KeyDigest(QByteArray::fromHex(fields[1]), source.PurchaseKey))
    verdict.Problem = LIST_OTHER_ORIGIN;
  return verdict;
}

void CListTrust::Remember(const QString& listPath, int purchaseNo, const CListVerdict& verdict,
                          const CListSource& source) const {
  // Failures are ignored: a list without its record is fetched again next
  // time, and a serial not kept only lets an older list back in.
  if (verdict.Serial > HighestSerial(purchaseNo) && CreatePrivateFolder(StateFolder)) {
    QSaveFile file(SerialPath(StateFolder, purchaseNo));
    if (file.open(QIODevice::WriteOnly)) {
      file.write(QByteArray::number(static_cast<qint64>(verdict.Serial)) + '\n');
      file.commit();
    }
  }
  QByteArray salt(16, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) != 1) return;
  QSaveFile file(SourcePath(listPath));
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(HostOrigin(source.HostUrl).toUtf8() + '\n' + salt.toHex() + '\n' + KeyDigest(salt, source.PurchaseKey) + '\n');
  file.commit();
}

void CListTrust::ForgetSource(const QString& listPath) {
  // A record that cannot go is replaced by Remember once the new list is in
  // place; only a run that dies in between could pair the two.
  QFile::remove(SourcePath(listPath));
}

std::int64_t CListTrust::HighestSerial(int purchaseNo) const {
  QFile file(SerialPath(StateFolder, purchaseNo));
  if (!file.open(QIODevice::ReadOnly)) return 0;
  bool ok = false;
  const qint64 serial = file.read(32).trimmed().toLongLong(&ok);
  return ok && serial > 0 ? serial : 0;
}
