#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>

// The maker's side of signed lists: a key pair, and the SV and SG lines a
// list is signed with (the program's list/ListSignature.h reads them).

struct CHostMakerKey {
  QByteArray PrivatePem;  // PKCS#8, as `openssl genpkey -algorithm ed25519` writes it
  QByteArray PublicPem;   // as `openssl pkey -pubout` writes it
  QByteArray Id;          // 16 lowercase hex digits
};

// A new Ed25519 key pair.
bool MakeMakerKey(CHostMakerKey& key, QString* error);
// Writes folder/maker.pem (0600; an existing one is never replaced) and
// folder/maker.pub.pem.
bool WriteMakerKey(const QString& folder, const CHostMakerKey& key, QString* error);
// Reads a private key file; Id is filled, PublicPem too.
bool ReadMakerKey(const QString& path, CHostMakerKey& key, QString* error);
bool ReadMakerKeyPem(const QByteArray& privatePem, CHostMakerKey& key, QString* error);

// "SG,<key id>,<signature>\r\n" for the bytes before it; empty on failure.
QByteArray SignatureLine(const QByteArray& signedBytes, const CHostMakerKey& key, QString* error);
// Appends "SV,<serial>,<expires>" and the SG line signing everything before
// it, each ended by CR LF.
bool SignList(QByteArray& list, const CHostMakerKey& key, std::int64_t serial, const QDateTime& expires, QString* error);
