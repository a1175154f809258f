#pragma once

#include <QByteArray>

#include <vector>

// One of the maker's Ed25519 public keys: the raw 32 bytes and its id, the
// first 16 lowercase hex digits of their SHA-256.
struct CMakerKey {
  QByteArray Id;
  QByteArray Raw;
};

// The keys a download list may be signed with. A set that is not Required
// (a build without keys) checks no signature; a Required one trusts only
// the keys it holds, none when none of them could be read.
class CMakerKeys {
public:
  static constexpr int RAW_KEY_SIZE = 32;
  static constexpr int SIGNATURE_SIZE = 64;

  // Adds a PEM public key as `openssl pkey -pubout` writes one and makes
  // the set Required; false when the text is not an Ed25519 public key.
  bool AddPem(const QByteArray& pem);
  const CMakerKey* Find(const QByteArray& id) const;

  bool Required = false;
  std::vector<CMakerKey> Keys;
};

// The keys this program was built with (-DPARCEL2_MAKER_KEYS).
CMakerKeys BuiltInMakerKeys();

// The key id of a raw public key (16 lowercase hex digits).
QByteArray MakerKeyId(const QByteArray& rawKey);
// SHA-256 of the bytes (32 bytes).
QByteArray Sha256(const QByteArray& bytes);
// An Ed25519 (RFC 8032, pure) signature of message under a raw public key.
bool VerifyEd25519(const QByteArray& rawKey, const QByteArray& message, const QByteArray& signature);
