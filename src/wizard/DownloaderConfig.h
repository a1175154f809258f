#pragma once

#include <memory>
#include <vector>

// One row of the wizard's transition table.
class CActionEntry {
public:
  CActionEntry(int state, int event, int nextState) : NextState(nextState), Event(event), State(state) {}
  virtual ~CActionEntry() = default;

  int NextState;
  int Event;
  int State;
};

// The transition table at run time: rows in their stored order; the
// lookup takes the first match.
class CDownloaderConfig {
public:
  CDownloaderConfig() = default;
  virtual ~CDownloaderConfig() = default;
  CDownloaderConfig(const CDownloaderConfig&) = delete;
  CDownloaderConfig& operator=(const CDownloaderConfig&) = delete;

  // Appends the built-in rows in order.
  void LoadActionTable();
  const CActionEntry* FindAction(int state, int event) const;

  std::vector<std::unique_ptr<CActionEntry>> ActionTable;
};
