#pragma once

#include "transfer/AssemblyCopy.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>

class CCheckedParts;
class CDownloadList;
class CProductAssembly;

// Parts fetched several at once arrive in any order, and none of them can
// carry the product's digest on while it arrives. This carries it on
// afterwards, in order: over each part verified right after those it
// covers, reading the part's file while it is still in the cache, and puts
// the part into the product being assembled. So the join stays a rename
// and the product is not read again.
//
// A part is trusted as the ledger trusts it, by the identity of the file
// opened, before and after the read, so it is hashed once more only for
// the product: the bytes carried on are the ones that matched. A part
// changed since its check, a stop or a read that fails ends the run; what
// was covered stays.
//
// One thread at a time (the download worker, while the lanes fetch).
class CProductCatchUp {
public:
  // Everything given must outlive the object.
  CProductCatchUp(CDownloadList& list, CCheckedParts& ledger, CProductAssembly& product,
                  const std::atomic<std::int32_t>& stop);

  // Goes as far as the verified parts reach; the number of parts added.
  int Run();

private:
  bool AddPart(int part);

  CDownloadList& List;
  CCheckedParts& Ledger;
  CProductAssembly& Product;
  const std::atomic<std::int32_t>& Stop;
  CAssemblyCopy Assembly;
  QByteArray Buffer;
};
