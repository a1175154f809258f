#include "transfer/ProductCatchUp.h"

#include "list/DownloadList.h"
#include "platform/NoFollowFile.h"
#include "transfer/CheckedParts.h"
#include "transfer/MD5Digest.h"
#include "transfer/ProductAssembly.h"

#include <QFile>

namespace {

constexpr qint64 CHUNK_SIZE = 102400;

}  // namespace

CProductCatchUp::CProductCatchUp(CDownloadList& list, CCheckedParts& ledger, CProductAssembly& product,
                                 const std::atomic<std::int32_t>& stop)
    : List(list), Ledger(ledger), Product(product), Stop(stop) {}

int CProductCatchUp::Run() {
  const int count = List.GetDownloadEntryCount();
  int part = 1;
  while (part < count && Product.ProductBefore(List, part + 1)) ++part;
  int added = 0;
  for (; part < count && Stop.load() == 0; ++part) {
    const CDownloadEntry* entry = List.GetDownloadEntry(part);
    if (!entry || entry->IsDownloaded.load() == 0 || !AddPart(part)) break;
    ++added;
  }
  return added;
}

// The part's bytes go on the product's digest and into the assembly when
// they still are the ones that matched: the file opened is the one checked,
// and nothing wrote to it while it was read.
bool CProductCatchUp::AddPart(int part) {
  const CDownloadEntry* entry = List.GetDownloadEntry(part);
  CMD5Context::Digest expected{};
  const QString path = List.GetTempFilePath(entry);
  std::optional<CMD5Context> product = Product.ProductBefore(List, part);
  QFile file;
  if (!product || path.isEmpty() || !CMD5Digest::ParseDigestText(entry->Digest, expected) ||
      !OpenRegularForReading(file, path) || !Ledger.IsUnchanged(file.handle(), path, expected))
    return false;
  std::int64_t offset = 0;
  CFileIdentity assembled;
  const bool assemble = Product.IsAssemblyReadyFor(List, part, offset, assembled);
  Assembly.Aim(assemble ? List.GetAssemblyFilePath() : QString(), offset, assembled);
  if (assemble) Assembly.Start();
  if (Buffer.isEmpty()) Buffer.resize(CHUNK_SIZE);
  std::int64_t total = 0;
  for (;;) {
    const qint64 got = file.read(Buffer.data(), CHUNK_SIZE);
    if (got <= 0 || Stop.load() != 0) {
      if (got < 0 || Stop.load() != 0) total = -1;
      break;
    }
    product->Update(Buffer.constData(), static_cast<std::size_t>(got));
    Assembly.Write(Buffer.constData(), static_cast<std::size_t>(got));
    total += got;
  }
  Assembly.Finish();
  if (total != entry->Size || !Ledger.IsUnchanged(file.handle(), path, expected)) {
    // The assembly holds the parts before this one at most.
    if (Assembly.IsStarted()) Product.RecordAssembly(part - 1, Assembly.GetIdentity());
    return false;
  }
  Product.RecordProductAfter(List, part, *product);
  if (Assembly.IsStarted()) Product.RecordAssembly(part, Assembly.GetIdentity());
  return true;
}
