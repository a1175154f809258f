// One DownloadToFile in a process of its own, logging off, so that the
// benchmark script can time it from outside exactly as it times the curl
// command line: wall time, CPU time and peak memory of the whole process.
//   parcel2_transfer_fetch URL PATH [EXPECTED_BYTES]
// Prints the result; exits 0 only when the result is the expected one (or
// positive when none is given). An unparseable URL with EXPECTED_BYTES -1
// times the start-up of the process alone.

#include "log/DownloaderLogger.h"
#include "transfer/UrlDownload.h"

#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: parcel2_transfer_fetch URL PATH [EXPECTED_BYTES]\n");
    return 2;
  }
  const QString url = QString::fromLocal8Bit(argv[1]);
  const QString path = QString::fromLocal8Bit(argv[2]);
  const bool anyLength = argc < 4;
  const long long expected = anyLength ? 0 : std::atoll(argv[3]);

  // Level 0 writes nothing; the folder is never created.
  CDownloaderLogger logger(QFileInfo(path).absolutePath() + QStringLiteral("/fetch-log"));
  logger.SetLevel(0, true);
  CUrlDownload transfer(logger);
  transfer.SetAccess(CUrlDownload::ACCESS_DIRECT, QString());
  transfer.init();
  const std::int64_t result = transfer.DownloadToFile(url, path);
  std::printf("%lld\n", static_cast<long long>(result));
  return (anyLength ? result > 0 : result == expected) ? 0 : 1;
}
