#pragma once

#include <array>
#include <mutex>

typedef void CURLSH;

// What the requests of one session keep between them: the idle kept-alive
// connections, the TLS sessions and the resolved names, so that a list and
// the parts after it go over one connection and one handshake.
//
// The requests that use it run one at a time (libcurl cannot hand a cached
// connection between threads that run at once), but they may run on
// different threads one after another: every kind of shared data has its
// own lock. Each request keeps the share alive while it exists.
class CHttpShare {
public:
  CHttpShare();
  ~CHttpShare();
  CHttpShare(const CHttpShare&) = delete;
  CHttpShare& operator=(const CHttpShare&) = delete;

  // Null when the network library could not make one: requests then go
  // without, each on its own connection.
  CURLSH* GetHandle() const { return Handle; }

private:
  struct CCallbacks;  // libcurl's lock and unlock
  std::mutex& LockFor(int data);

  CURLSH* Handle = nullptr;
  // One lock for each kind of data libcurl names, and one for any other.
  std::array<std::mutex, 9> Locks;
};
