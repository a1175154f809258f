#pragma once

#include "host/HostSigning.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CHostCatalog;
class QIODevice;

struct CHostInstallCommand {
  QString CmdName;
  QString Params;
  int WinType = 0;  // 0 normal, 1 minimized, 2 maximized, else hidden
  bool Wait = true;
};

struct CHostPublishOptions {
  QString ProductId;  // its catalog folder; "product<ProductNo>" when empty
  QString SoftwareName;
  QString SoftwareEnName;  // written only when not empty
  int ProductNo = 0;
  QString FileName;  // the product file's name in the list; the file's own name by default
  std::int64_t PartSize = 0;  // bytes a part, or
  int PartCount = 0;          // the number of parts; 10 MiB parts when neither is given
  std::vector<CHostInstallCommand> Installs;
  std::map<int, QString> Messages;
  std::vector<std::pair<std::string, std::string>> Purchases;  // number, key
  // With a key the list is signed: serial 0 stands for the time of
  // publishing in seconds, so a later publication is never older.
  std::optional<CHostMakerKey> SigningKey;
  std::int64_t Serial = 0;
  int ExpiresDays = 90;
};

struct CHostPublishedFile {
  QString FileName;
  QString Digest;  // 32 lower-case hex digits
  std::int64_t Size = 0;
};

// What a publication produced: Files[0] is the product, Files[1..] its parts,
// numbered as in the list.
struct CHostPublished {
  QString ProductId;
  QByteArray ListBytes;
  std::vector<CHostPublishedFile> Files;
};

// Turns a product into a catalog entry: splits it into part files, digests
// the product and every part in one pass of 100 KiB chunks, writes the list
// (signed when given a key), and adds the purchases. The new product replaces an older one with the
// same id only once it is complete. Runs on the caller's thread.
class CHostPublisher {
public:
  static constexpr std::int64_t CHUNK_SIZE = 102400;
  static constexpr std::int64_t DEFAULT_PART_SIZE = 10 * 1024 * 1024;

  explicit CHostPublisher(CHostCatalog& catalog) : Catalog(catalog) {}

  bool PublishFile(const QString& path, const CHostPublishOptions& options, CHostPublished* published,
                   QString* error);
  bool PublishBytes(const QByteArray& product, const CHostPublishOptions& options, CHostPublished* published,
                    QString* error);
  bool PublishDevice(QIODevice& product, std::int64_t size, const CHostPublishOptions& options,
                     CHostPublished* published, QString* error);

  // The part names: the product's name, a dot and the number, at least
  // three digits ("demo.sh.001").
  static QString PartFileName(const QString& productName, int number, int partCount);

private:
  CHostCatalog& Catalog;
};
