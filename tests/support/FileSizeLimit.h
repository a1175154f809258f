#pragma once

#include <sys/resource.h>

#include <csignal>

// A full disk without a full disk: while it exists no file of the process
// may grow past the limit, and a write past it fails (EFBIG) instead of
// killing the process.
class CFileSizeLimit {
public:
  explicit CFileSizeLimit(rlim_t bytes) {
    PreviousHandler = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &Previous);
    rlimit limited = Previous;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~CFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &Previous);
    std::signal(SIGXFSZ, PreviousHandler);
  }
  CFileSizeLimit(const CFileSizeLimit&) = delete;
  CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
  rlimit Previous{};
  void (*PreviousHandler)(int) = nullptr;
};
