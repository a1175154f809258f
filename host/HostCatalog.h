#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <shared_mutex>
#include <string>

// One part file the host may send, found when its product was read.
struct CHostPart {
  std::string Name;  // the list's FileName, asked for as REQID
  QString Path;      // inside the catalog
  std::int64_t Size = 0;
};

// A published product: its list, served as it stands, and its part files.
struct CHostProduct {
  QString Id;  // its folder in the catalog
  QByteArray ListBytes;
  std::map<std::string, CHostPart> Parts;
};

struct CHostPurchase {
  std::string No;  // the purchase number as the wizard sends it
  std::string Key;
  QString ProductId;
};

// The catalog folder:
//   <folder>/purchases.txt     "<number>,<product id>,<key>" a line (the
//                              key is the rest of the line, commas and all)
//   <folder>/<product id>/list.lst and the part files it names
// Products are immutable once read: a new publication replaces the whole
// product, so a body being sent never sees a half-written one. Lookups come
// from the server's worker threads; changes from the publisher or a test.
class CHostCatalog {
public:
  static constexpr const char* PURCHASES_FILE = "purchases.txt";
  static constexpr const char* LIST_FILE = "list.lst";

  explicit CHostCatalog(const QString& folder);

  const QString& GetFolder() const { return Folder; }

  // Reads every product folder and the purchases. Problems that leave the
  // rest usable (a missing part file, an unsafe name) are added to warnings.
  bool Load(QString* error, QStringList* warnings = nullptr);
  // (Re)reads one product folder.
  bool LoadProduct(const QString& productId, QString* error, QStringList* warnings = nullptr);

  void AddPurchase(const CHostPurchase& purchase);  // replaces one with the same number
  bool SavePurchases(QString* error) const;
  // Serves other list bytes for a product (tests of broken lists).
  bool SetListBytes(const QString& productId, const QByteArray& bytes);

  // The product of a purchase when number and key match, else null.
  std::shared_ptr<const CHostProduct> FindProduct(const std::string& purchaseNo, const std::string& key) const;
  std::shared_ptr<const CHostProduct> GetProduct(const QString& productId) const;

  // A product id or a part name that cannot leave its folder: no
  // separators, not "." or "..", no control characters.
  static bool IsPlainName(const std::string& name);

private:
  bool ReadPurchases(QString* error);

  QString Folder;
  mutable std::shared_mutex Lock;
  std::map<QString, std::shared_ptr<const CHostProduct>> Products;
  std::map<std::string, CHostPurchase> Purchases;
};
