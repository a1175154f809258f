#include "list/MakerKeys.h"

#include "list/CryptoHandles.h"

#include <openssl/pem.h>

// Everything cryptographic is OpenSSL's (EVP); this file only moves bytes
// in and out of it.

namespace {

const char* const BUILT_IN_PEMS[] = {
#include "MakerKeys.inc"
    nullptr,
};

const unsigned char* Bytes(const QByteArray& bytes) { return reinterpret_cast<const unsigned char*>(bytes.constData()); }

}  // namespace

bool CMakerKeys::AddPem(const QByteArray& pem) {
  Required = true;
  CBioHandle bio(BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size())));
  if (!bio) return false;
  CKeyHandle key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
  if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_ED25519) return false;
  QByteArray raw(RAW_KEY_SIZE, '\0');
  std::size_t size = static_cast<std::size_t>(raw.size());
  if (EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(raw.data()), &size) != 1 ||
      size != RAW_KEY_SIZE)
    return false;
  Keys.push_back(CMakerKey{MakerKeyId(raw), raw});
  return true;
}

const CMakerKey* CMakerKeys::Find(const QByteArray& id) const {
  for (const CMakerKey& key : Keys)
    if (key.Id == id) return &key;
  return nullptr;
}

CMakerKeys BuiltInMakerKeys() {
  CMakerKeys keys;
  for (const char* const* pem = BUILT_IN_PEMS; *pem; ++pem) keys.AddPem(QByteArray(*pem));
  return keys;
}

QByteArray MakerKeyId(const QByteArray& rawKey) { return Sha256(rawKey).toHex().left(16); }

QByteArray Sha256(const QByteArray& bytes) {
  QByteArray digest(32, '\0');
  unsigned int size = 0;
  if (EVP_Digest(bytes.constData(), static_cast<std::size_t>(bytes.size()), reinterpret_cast<unsigned char*>(digest.data()),
                 &size, EVP_sha256(), nullptr) != 1 || size != 32)
    return QByteArray();
  return digest;
}

bool VerifyEd25519(const QByteArray& rawKey, const QByteArray& message, const QByteArray& signature) {
  if (rawKey.size() != CMakerKeys::RAW_KEY_SIZE || signature.size() != CMakerKeys::SIGNATURE_SIZE) return false;
  CKeyHandle key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, Bytes(rawKey), static_cast<std::size_t>(rawKey.size())));
  CDigestContextHandle context(EVP_MD_CTX_new());
  if (!key || !context) return false;
  // Ed25519 signs the message itself, so there is no digest to name here.
  if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1) return false;
  return EVP_DigestVerify(context.get(), Bytes(signature), static_cast<std::size_t>(signature.size()), Bytes(message),
                          static_cast<std::size_t>(message.size())) == 1;
}
