#include "host/HostPublisher.h"

#include "host/HostCatalog.h"
#include "transfer/MD5Context.h"
#include "transfer/MD5Digest.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

// The list has no quoting: a field cannot hold a comma or a line break.
bool IsFieldText(const QString& text) {
  return !text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'));
}

bool Fail(QString* error, const QString& message) {
  if (error) *error = message;
  return false;
}

bool CheckOptions(const CHostPublishOptions& options, const QString& productId, std::int64_t size, QString* error) {
  if (size <= 0) return Fail(error, QStringLiteral("The product is empty"));
  if (options.SoftwareName.isEmpty()) return Fail(error, QStringLiteral("The software name is missing"));
  if (options.PartSize < 0 || options.PartCount < 0 || (options.PartSize > 0 && options.PartCount > 0))
    return Fail(error, QStringLiteral("Give a part size or a part count, not both"));
  if (!CHostCatalog::IsPlainName(productId.toStdString()) || !IsFieldText(productId))
    return Fail(error, QStringLiteral("The product id %1 is not a plain folder name").arg(productId));
  if (!CHostCatalog::IsPlainName(options.FileName.toStdString()) || !IsFieldText(options.FileName))
    return Fail(error, QStringLiteral("The file name \"%1\" is not a plain file name without commas").arg(options.FileName));
  for (const QString& text : {options.SoftwareName, options.SoftwareEnName}) {
    if (!IsFieldText(text)) return Fail(error, QStringLiteral("\"%1\" holds a comma or a line break").arg(text));
  }
  for (const CHostInstallCommand& install : options.Installs) {
    if (install.CmdName.isEmpty() || !IsFieldText(install.CmdName) || !IsFieldText(install.Params))
      return Fail(error, QStringLiteral("The install command \"%1\" is empty or holds a comma or a line break")
                             .arg(install.CmdName + QLatin1Char(' ') + install.Params));
  }
  for (const auto& [number, text] : options.Messages) {
    if (!IsFieldText(text))
      return Fail(error, QStringLiteral("Message %1 holds a comma or a line break (write // for a line break)").arg(number));
  }
  for (const auto& [number, key] : options.Purchases) {
    bool ok = false;
    QString::fromStdString(number).toInt(&ok);
    if (!ok || number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
      return Fail(error, QStringLiteral("The purchase number \"%1\" is not a decimal number").arg(QString::fromStdString(number)));
    if (key.find_first_of("\r\n") != std::string::npos)
      return Fail(error, QStringLiteral("The key of purchase %1 holds a line break").arg(QString::fromStdString(number)));
  }
  return true;
}

QByteArray MakeListBytes(const CHostPublishOptions& options, const std::vector<CHostPublishedFile>& files) {
  QString text = QStringLiteral("VN,100\r\n");
  text += QStringLiteral("SN,0,%1,%2").arg(options.SoftwareName).arg(options.ProductNo);
  if (!options.SoftwareEnName.isEmpty()) text += QLatin1Char(',') + options.SoftwareEnName;
  text += QStringLiteral("\r\n");
  for (std::size_t i = 0; i < files.size(); ++i) {
    text += QStringLiteral("DL,%1,%2,%3,%4\r\n").arg(i).arg(files[i].FileName, files[i].Digest).arg(files[i].Size);
  }
  for (std::size_t i = 0; i < options.Installs.size(); ++i) {
    const CHostInstallCommand& install = options.Installs[i];
    text += QStringLiteral("IS,%1,%2,%3,%4,%5\r\n")
                .arg(i)
                .arg(install.CmdName, install.Params)
                .arg(install.WinType)
                .arg(install.Wait ? 1 : 0);
  }
  for (const auto& [number, message] : options.Messages) text += QStringLiteral("MS,%1,%2\r\n").arg(number).arg(message);
  return text.toUtf8();
}

bool WriteAll(QFile& file, const QByteArray& bytes) { return file.write(bytes) == bytes.size(); }

}  // namespace

QString CHostPublisher::PartFileName(const QString& productName, int number, int partCount) {
  const int width = std::max(3, static_cast<int>(QString::number(partCount).size()));
  return productName + QLatin1Char('.') + QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0'));
}

bool CHostPublisher::PublishFile(const QString& path, const CHostPublishOptions& options, CHostPublished* published,
                                 QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Fail(error, QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
  CHostPublishOptions named = options;
  if (named.FileName.isEmpty()) named.FileName = QFileInfo(path).fileName();
  return PublishDevice(file, file.size(), named, published, error);
}

bool CHostPublisher::PublishBytes(const QByteArray& product, const CHostPublishOptions& options,
                                  CHostPublished* published, QString* error) {
  QByteArray copy = product;
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  return PublishDevice(buffer, copy.size(), options, published, error);
}

bool CHostPublisher::PublishDevice(QIODevice& product, std::int64_t size, const CHostPublishOptions& options,
                                   CHostPublished* published, QString* error) {
  const QString productId =
      options.ProductId.isEmpty() ? QStringLiteral("product%1").arg(options.ProductNo) : options.ProductId;
  if (!CheckOptions(options, productId, size, error)) return false;
  std::int64_t partSize = options.PartSize > 0 ? options.PartSize : DEFAULT_PART_SIZE;
  if (options.PartCount > 0) partSize = (size + options.PartCount - 1) / options.PartCount;
  const int partCount = static_cast<int>((size + partSize - 1) / partSize);

  const QDir catalog(Catalog.GetFolder());
  if (!catalog.exists() && !QDir().mkpath(Catalog.GetFolder()))
    return Fail(error, QStringLiteral("Cannot create the catalog folder %1").arg(Catalog.GetFolder()));
  const QString finalFolder = catalog.filePath(productId);
  const QString workFolder = finalFolder + QStringLiteral(".publishing");
  QDir(workFolder).removeRecursively();
  if (!QDir().mkpath(workFolder)) return Fail(error, QStringLiteral("Cannot create %1").arg(workFolder));

  std::vector<CHostPublishedFile> files(1);
  files[0].FileName = options.FileName;
  files[0].Size = size;
  CMD5Context productDigest;
  QByteArray buffer(static_cast<int>(CHUNK_SIZE), Qt::Uninitialized);
  std::int64_t done = 0;
  for (int number = 1; number <= partCount; ++number) {
    CHostPublishedFile part;
    part.FileName = PartFileName(options.FileName, number, partCount);
    part.Size = std::min(partSize, size - done);
    QFile out(workFolder + QLatin1Char('/') + part.FileName);
    if (!out.open(QIODevice::WriteOnly))
      return Fail(error, QStringLiteral("Cannot write %1: %2").arg(out.fileName(), out.errorString()));
    CMD5Context partDigest;
    for (std::int64_t left = part.Size; left > 0;) {
      const std::int64_t want = std::min(left, CHUNK_SIZE);
      const qint64 got = product.read(buffer.data(), want);
      if (got != want) return Fail(error, QStringLiteral("The product ended early or could not be read"));
      CMD5Context::UpdatePair(partDigest, productDigest, buffer.constData(), static_cast<std::size_t>(got));
      // A chunk of zeros stays a hole, so a sparse product makes sparse parts.
      const bool zeros = std::all_of(buffer.cbegin(), buffer.cbegin() + got, [](char c) { return c == 0; });
      const bool written = zeros ? out.seek(out.pos() + got) : out.write(buffer.constData(), got) == got;
      if (!written) return Fail(error, QStringLiteral("Cannot write %1: %2").arg(out.fileName(), out.errorString()));
      left -= got;
    }
    // A part that ends in a hole gets its length all the same.
    if (!out.resize(part.Size))
      return Fail(error, QStringLiteral("Cannot write %1: %2").arg(out.fileName(), out.errorString()));
    done += part.Size;
    part.Digest = CMD5Digest::ToHexText(partDigest.Final());
    files.push_back(part);
  }
  files[0].Digest = CMD5Digest::ToHexText(productDigest.Final());

  QByteArray list = MakeListBytes(options, files);
  if (options.SigningKey) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const std::int64_t serial = options.Serial > 0 ? options.Serial : now.toSecsSinceEpoch();
    if (!SignList(list, *options.SigningKey, serial, now.addDays(options.ExpiresDays), error)) return false;
  }
  QFile listFile(workFolder + QLatin1Char('/') + QLatin1String(CHostCatalog::LIST_FILE));
  if (!listFile.open(QIODevice::WriteOnly) || !WriteAll(listFile, list))
    return Fail(error, QStringLiteral("Cannot write %1: %2").arg(listFile.fileName(), listFile.errorString()));
  listFile.close();

  // A body being sent from the old folder keeps its open file.
  QDir(finalFolder).removeRecursively();
  if (!QDir().rename(workFolder, finalFolder))
    return Fail(error, QStringLiteral("Cannot move %1 to %2").arg(workFolder, finalFolder));
  if (!Catalog.LoadProduct(productId, error)) return false;
  for (const auto& [number, key] : options.Purchases) Catalog.AddPurchase(CHostPurchase{number, key, productId});
  if (!options.Purchases.empty() && !Catalog.SavePurchases(error)) return false;

  if (published) {
    published->ProductId = productId;
    published->ListBytes = list;
    published->Files = std::move(files);
  }
  return true;
}
