#pragma once

#include "platform/FileIdentity.h"
#include "transfer/MD5Context.h"

#include <QString>

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

class CDownloadList;

// The product as this process puts it together: its digest carried on over
// the parts that arrived one after the other from the first, and the file
// in the working folder (CAssemblyCopy) that holds those parts in order,
// so that the join can be a rename and the product need not be read again.
// Which part files may be trusted is the ledger's (CCheckedParts).
//
// Nothing is kept across runs. Written by the download worker, read by the
// verification worker; every member is under the lock.
class CProductAssembly {
public:
  void Clear();

  // The product's digest as it stands before part number part (1 for the
  // first), when the parts before it arrived in order in this process;
  // none otherwise. The digests of the parts in the list are compared with
  // those the product's digest was carried over.
  std::optional<CMD5Context> ProductBefore(const CDownloadList& list, int part) const;
  // Part number part matched its digest, and the product's digest after it
  // is after (carried on from ProductBefore(list, part)).
  void RecordProductAfter(const CDownloadList& list, int part, const CMD5Context& after);
  // The product's digest over every part, when it was carried on over all
  // of them; the parts themselves must still be unchanged (the ledger).
  std::optional<CMD5Context> ProductOfAllParts(const CDownloadList& list) const;

  // The assembly's file holds the parts 1 to parts (and maybe the start of
  // a part that failed after them) and had this identity when it was last
  // closed. An empty identity forgets it.
  void RecordAssembly(int parts, const CFileIdentity& identity);
  // Part number part may be added to the assembly at offset: the file holds
  // exactly the parts before it, the same parts the product's digest was
  // carried over, and is unchanged since. The first part (offset 0) starts
  // a new file unless an intact one holds parts already. identity is what
  // the file must still be when it is opened (empty for a new file).
  bool IsAssemblyReadyFor(const CDownloadList& list, int part, std::int64_t& offset, CFileIdentity& identity) const;
  // The assembly holds every part and nothing more, and is unchanged; size
  // is its length.
  bool IsAssemblyComplete(const CDownloadList& list, std::int64_t& size) const;

private:
  bool MatchesList(const CDownloadList& list, int parts) const;
  bool IsAssemblyUnchanged(const QString& path) const;

  mutable std::mutex Lock;
  // ProductAfter[k] is the product's digest after parts 1 to k+1, whose
  // digests were ProductParts[0] to ProductParts[k].
  std::vector<CMD5Context> ProductAfter;
  std::vector<CMD5Context::Digest> ProductParts;
  int AssemblyParts = 0;  // never more than ProductParts holds
  CFileIdentity AssemblyIdentity;
};
