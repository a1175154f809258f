#include "host/HostCatalog.h"

#include "platform/StringTokenizer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <mutex>

namespace {

// The DL records of a list, as the wizard reads them: a later record with
// the same Seq replaces the earlier one.
std::map<QString, QString> ReadPartNames(const QByteArray& listBytes) {
  QString text = QString::fromUtf8(listBytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  std::map<QString, QString> names;  // Seq -> FileName
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    CStringTokenizer tokens(line, QStringLiteral(",\r\n"));
    if (!tokens.HasMoreTokens()) continue;
    if (tokens.NextToken().compare(QLatin1String("DL"), Qt::CaseInsensitive) != 0) continue;
    QString fields[4];
    bool complete = true;
    for (QString& field : fields) {
      if (!tokens.HasMoreTokens()) {
        complete = false;
        break;
      }
      field = tokens.NextToken();
    }
    if (complete) names[fields[0]] = fields[1];
  }
  return names;
}

}  // namespace

CHostCatalog::CHostCatalog(const QString& folder) : Folder(folder) {}

bool CHostCatalog::IsPlainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

bool CHostCatalog::Load(QString* error, QStringList* warnings) {
  const QDir dir(Folder);
  if (!dir.exists()) {
    if (error) *error = QStringLiteral("The catalog folder %1 does not exist").arg(Folder);
    return false;
  }
  {
    std::unique_lock<std::shared_mutex> guard(Lock);
    Products.clear();
  }
  const QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  for (const QString& id : folders) {
    if (!QFileInfo::exists(dir.filePath(id) + QLatin1Char('/') + QLatin1String(LIST_FILE))) continue;
    QString problem;
    if (!LoadProduct(id, &problem, warnings) && warnings) warnings->append(problem);
  }
  return ReadPurchases(error);
}

bool CHostCatalog::LoadProduct(const QString& productId, QString* error, QStringList* warnings) {
  if (!IsPlainName(productId.toStdString())) {
    if (error) *error = QStringLiteral("Product id %1 is not a plain folder name").arg(productId);
    return false;
  }
  const QString productFolder = Folder + QLatin1Char('/') + productId;
  QFile listFile(productFolder + QLatin1Char('/') + QLatin1String(LIST_FILE));
  if (!listFile.open(QIODevice::ReadOnly)) {
    if (error) *error = QStringLiteral("Cannot read %1: %2").arg(listFile.fileName(), listFile.errorString());
    return false;
  }
  auto product = std::make_shared<CHostProduct>();
  product->Id = productId;
  product->ListBytes = listFile.readAll();  // a list is a few hundred bytes

  const QString canonicalProduct = QFileInfo(productFolder).canonicalFilePath() + QLatin1Char('/');
  for (const auto& [seq, name] : ReadPartNames(product->ListBytes)) {
    if (seq == QLatin1String("0")) continue;  // the joined product is not served
    const std::string plain = name.toStdString();
    const QString path = productFolder + QLatin1Char('/') + name;
    const QFileInfo info(path);
    // A symbolic link out of the product's folder is refused like "../":
    // the host never reads its purchases or anything outside its folder.
    const bool inside = info.isFile() && canonicalProduct.size() > 1 &&
                        info.canonicalFilePath().startsWith(canonicalProduct);
    if (!IsPlainName(plain) || !inside) {
      if (warnings) warnings->append(QStringLiteral("Product %1: part %2 (%3) is not a file in the catalog; not served")
                                         .arg(productId, seq, name));
      continue;
    }
    product->Parts[plain] = CHostPart{plain, path, info.size()};
  }

  std::unique_lock<std::shared_mutex> guard(Lock);
  Products[productId] = std::move(product);
  return true;
}

bool CHostCatalog::ReadPurchases(QString* error) {
  QFile file(Folder + QLatin1Char('/') + QLatin1String(PURCHASES_FILE));
  std::map<std::string, CHostPurchase> purchases;
  if (file.exists()) {
    if (!file.open(QIODevice::ReadOnly)) {
      if (error) *error = QStringLiteral("Cannot read %1: %2").arg(file.fileName(), file.errorString());
      return false;
    }
    for (QByteArray line : file.readAll().split('\n')) {
      if (line.endsWith('\r')) line.chop(1);
      if (line.isEmpty() || line.startsWith('#')) continue;
      const int first = line.indexOf(',');
      const int second = first < 0 ? -1 : line.indexOf(',', first + 1);
      if (second < 0) continue;
      CHostPurchase purchase;
      purchase.No = line.left(first).toStdString();
      purchase.ProductId = QString::fromUtf8(line.mid(first + 1, second - first - 1));
      purchase.Key = line.mid(second + 1).toStdString();
      purchases[purchase.No] = purchase;
    }
  }
  std::unique_lock<std::shared_mutex> guard(Lock);
  Purchases = std::move(purchases);
  return true;
}

void CHostCatalog::AddPurchase(const CHostPurchase& purchase) {
  std::unique_lock<std::shared_mutex> guard(Lock);
  Purchases[purchase.No] = purchase;
}

bool CHostCatalog::SavePurchases(QString* error) const {
  QByteArray text("# purchase number,product id,key (the rest of the line)\n");
  {
    std::shared_lock<std::shared_mutex> guard(Lock);
    for (const auto& [no, purchase] : Purchases) {
      text += QByteArray::fromStdString(no) + ',' + purchase.ProductId.toUtf8() + ',' +
              QByteArray::fromStdString(purchase.Key) + '\n';
    }
  }
  QSaveFile file(Folder + QLatin1Char('/') + QLatin1String(PURCHASES_FILE));
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
    if (error) *error = QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString());
    return false;
  }
  return true;
}

bool CHostCatalog::SetListBytes(const QString& productId, const QByteArray& bytes) {
  std::unique_lock<std::shared_mutex> guard(Lock);
  const auto found = Products.find(productId);
  if (found == Products.end()) return false;
  auto product = std::make_shared<CHostProduct>(*found->second);
  product->ListBytes = bytes;
  found->second = std::move(product);
  return true;
}

std::shared_ptr<const CHostProduct> CHostCatalog::FindProduct(const std::string& purchaseNo,
                                                              const std::string& key) const {
  std::shared_lock<std::shared_mutex> guard(Lock);
  const auto purchase = Purchases.find(purchaseNo);
  if (purchase == Purchases.end() || purchase->second.Key != key) return nullptr;
  const auto product = Products.find(purchase->second.ProductId);
  return product == Products.end() ? nullptr : product->second;
}

std::shared_ptr<const CHostProduct> CHostCatalog::GetProduct(const QString& productId) const {
  std::shared_lock<std::shared_mutex> guard(Lock);
  const auto product = Products.find(productId);
  return product == Products.end() ? nullptr : product->second;
}
