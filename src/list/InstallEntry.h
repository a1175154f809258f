#pragma once

#include <QString>

#include <cstdint>

// One install command of the download list, run after the product is joined.
class CInstallEntry {
public:
  CInstallEntry() = default;
  CInstallEntry(const CInstallEntry&) = delete;
  CInstallEntry& operator=(const CInstallEntry&) = delete;
  virtual ~CInstallEntry() = default;

  std::int32_t IsWait = 0;
  std::int32_t WinType = 0;
  QString Params;
  QString CmdName;
  QString Seq;
};
