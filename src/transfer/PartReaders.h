#pragma once

#include "platform/FileIdentity.h"
#include "transfer/FileChecker.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Reads and hashes part files on several threads at once, one a core and
// at most MAX_READERS, and hands back what each came to in the order they
// were asked for, so that the caller logs and marks them just as a single
// reader going down the list would. A stop flag ends every reader within a
// chunk.
//
// The object belongs to one thread (the verification worker); its readers
// are joined by the destructor.
class CPartReaders {
public:
  static constexpr int MAX_READERS = 4;

  // Starts at once. The flag and the observer (tests: called on a reader
  // after every chunk) must outlive the object.
  CPartReaders(std::vector<QString> paths, const std::atomic<int>* stop,
               const std::function<void()>& stepObserver = {});
  ~CPartReaders();
  CPartReaders(const CPartReaders&) = delete;
  CPartReaders& operator=(const CPartReaders&) = delete;

  // Waits for the file at that index of the paths. The identity is the
  // file's while it was read, or empty when it changed meanwhile.
  CHashOutcome Take(int index, CFileIdentity& identity);

  static int ReaderCount(int files);

private:
  struct CResult {
    bool Ready = false;
    CHashOutcome Outcome;
    CFileIdentity Identity;
  };
  void Run();

  const std::vector<QString> Paths;
  const std::atomic<int>* Stop;
  std::function<void()> StepObserver;
  std::atomic<int> Next{0};
  std::mutex Lock;
  std::condition_variable Done;
  std::vector<CResult> Results;
  std::vector<std::thread> Readers;
};
