#pragma once

#include "list/ListSignature.h"
#include "list/MakerKeys.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

// Where a list is asked for: the host's base address and the purchase key.
struct CListSource {
  QString HostUrl;
  QString PurchaseKey;
};

// Decides whether a list file may be used, and keeps what a later run needs
// to decide the same. With the maker's keys a list must be signed (see
// ListSignature.h), and its serial may not go below the highest taken
// before for the purchase: that is kept in the state folder, which outlives
// the temporary folder the list sits in. Without keys a list fetched now is
// taken as it is, and a stored one only for the host (scheme, name, port)
// and the purchase key it was fetched with: a record beside the list keeps
// the host and a salted digest of the key, never the key.
//
// Runs on the list worker; the state folder may be shared by several runs.
class CListTrust {
public:
  // Larger lists are not read: a signature covers the list as one piece.
  static constexpr std::int64_t MAX_LIST_BYTES = 16 * 1024 * 1024;

  // The keys the program was built with, the user's state folder and the
  // system's clock; tests give their own.
  CListTrust();

  CListVerdict CheckFetched(const QString& listPath, int purchaseNo) const;
  CListVerdict CheckStored(const QString& listPath, int purchaseNo, const CListSource& source) const;
  // The list at listPath is taken: keeps its serial and where it came from.
  void Remember(const QString& listPath, int purchaseNo, const CListVerdict& verdict, const CListSource& source) const;
  // Before another list takes listPath's place: the record of the old one goes.
  static void ForgetSource(const QString& listPath);

  std::int64_t HighestSerial(int purchaseNo) const;

  CMakerKeys Keys;
  QString StateFolder;
  std::function<QDateTime()> Now;
};

// $XDG_STATE_HOME/parcel2, else ~/.local/state/parcel2.
QString GetUserStateFolder();
