#include "host/HostSigning.h"

#include "list/CryptoHandles.h"
#include "list/MakerKeys.h"

#include <QDir>
#include <QFile>

#include <openssl/pem.h>

#include <fcntl.h>
#include <unistd.h>


namespace {

bool Fail(QString* error, const QString& message) {
  if (error) *error = message;
  return false;
}

QByteArray BioBytes(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return QByteArray(data, static_cast<qsizetype>(size));
}

// Fills the key's texts and id from OpenSSL's key.
bool Describe(EVP_PKEY* pkey, CHostMakerKey& key, QString* error) {
  if (EVP_PKEY_get_base_id(pkey) != EVP_PKEY_ED25519) return Fail(error, QStringLiteral("not an Ed25519 key"));
  CBioHandle privateBio(BIO_new(BIO_s_mem()));
  CBioHandle publicBio(BIO_new(BIO_s_mem()));
  QByteArray raw(CMakerKeys::RAW_KEY_SIZE, '\0');
  std::size_t size = static_cast<std::size_t>(raw.size());
  if (!privateBio || !publicBio ||
      PEM_write_bio_PrivateKey(privateBio.get(), pkey, nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
      PEM_write_bio_PUBKEY(publicBio.get(), pkey) != 1 ||
      EVP_PKEY_get_raw_public_key(pkey, reinterpret_cast<unsigned char*>(raw.data()), &size) != 1)
    return Fail(error, QStringLiteral("the key could not be written"));
  key.PrivatePem = BioBytes(privateBio.get());
  key.PublicPem = BioBytes(publicBio.get());
  key.Id = MakerKeyId(raw);
  return true;
}

// The private key is the maker's secret: created 0600, never over another.
bool WriteNewPrivateFile(const QString& path, const QByteArray& bytes, QString* error) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return Fail(error, QStringLiteral("Cannot create %1 (a key already there is never replaced)").arg(path));
  const bool written = ::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) == bytes.size();
  ::close(fd);
  return written || Fail(error, QStringLiteral("Cannot write %1").arg(path));
}

CKeyHandle ReadPrivateKey(const QByteArray& pem) {
  CBioHandle bio(BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size())));
  return CKeyHandle(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

}  // namespace

bool MakeMakerKey(CHostMakerKey& key, QString* error) {
  CKeyHandle pkey(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
  if (!pkey) return Fail(error, QStringLiteral("OpenSSL could not make an Ed25519 key"));
  return Describe(pkey.get(), key, error);
}

bool WriteMakerKey(const QString& folder, const CHostMakerKey& key, QString* error) {
  if (!QDir().mkpath(folder)) return Fail(error, QStringLiteral("Cannot create %1").arg(folder));
  if (!WriteNewPrivateFile(folder + QStringLiteral("/maker.pem"), key.PrivatePem, error)) return false;
  QFile publicFile(folder + QStringLiteral("/maker.pub.pem"));
  if (!publicFile.open(QIODevice::WriteOnly) || publicFile.write(key.PublicPem) != key.PublicPem.size())
    return Fail(error, QStringLiteral("Cannot write %1").arg(publicFile.fileName()));
  return true;
}

bool ReadMakerKeyPem(const QByteArray& privatePem, CHostMakerKey& key, QString* error) {
  const CKeyHandle pkey = ReadPrivateKey(privatePem);
  if (!pkey) return Fail(error, QStringLiteral("not a PEM private key"));
  return Describe(pkey.get(), key, error);
}

bool ReadMakerKey(const QString& path, CHostMakerKey& key, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Fail(error, QStringLiteral("Cannot read %1").arg(path));
  QString why;
  if (!ReadMakerKeyPem(file.read(64 * 1024), key, &why)) return Fail(error, QStringLiteral("%1: %2").arg(path, why));
  return true;
}

QByteArray SignatureLine(const QByteArray& signedBytes, const CHostMakerKey& key, QString* error) {
  const CKeyHandle pkey = ReadPrivateKey(key.PrivatePem);
  CDigestContextHandle context(EVP_MD_CTX_new());
  if (!pkey || !context) {
    Fail(error, QStringLiteral("The signing key cannot be read"));
    return QByteArray();
  }
  QByteArray signature(CMakerKeys::SIGNATURE_SIZE, '\0');
  std::size_t size = static_cast<std::size_t>(signature.size());
  if (EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, pkey.get()) != 1 ||
      EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                     reinterpret_cast<const unsigned char*>(signedBytes.constData()),
                     static_cast<std::size_t>(signedBytes.size())) != 1 ||
      size != CMakerKeys::SIGNATURE_SIZE) {
    Fail(error, QStringLiteral("OpenSSL could not sign the list"));
    return QByteArray();
  }
  return "SG," + key.Id + ',' + signature.toBase64() + "\r\n";
}

bool SignList(QByteArray& list, const CHostMakerKey& key, std::int64_t serial, const QDateTime& expires, QString* error) {
  if (serial < 1) return Fail(error, QStringLiteral("The serial must be at least 1"));
  QByteArray signedBytes = list;
  if (!signedBytes.isEmpty() && !signedBytes.endsWith('\n')) signedBytes += "\r\n";
  signedBytes += "SV," + QByteArray::number(static_cast<qint64>(serial)) + ',' +
                 expires.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")).toLatin1() + "\r\n";
  const QByteArray signature = SignatureLine(signedBytes, key, error);
  if (signature.isEmpty()) return false;
  list = signedBytes + signature;
  return true;
}
