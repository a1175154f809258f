#include "platform/HttpShare.h"

#include "platform/NetworkLibrary.h"

#include <curl/curl.h>

struct CHttpShare::CCallbacks {
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<CHttpShare*>(self)->LockFor(data).lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) { static_cast<CHttpShare*>(self)->LockFor(data).unlock(); }
};

CHttpShare::CHttpShare() {
  InitNetworkLibraryOnce();
  Handle = curl_share_init();
  if (!Handle) return;
  curl_share_setopt(Handle, CURLSHOPT_LOCKFUNC, &CCallbacks::Lock);
  curl_share_setopt(Handle, CURLSHOPT_UNLOCKFUNC, &CCallbacks::Unlock);
  curl_share_setopt(Handle, CURLSHOPT_USERDATA, this);
  for (const curl_lock_data data : {CURL_LOCK_DATA_CONNECT, CURL_LOCK_DATA_SSL_SESSION, CURL_LOCK_DATA_DNS}) {
    if (curl_share_setopt(Handle, CURLSHOPT_SHARE, data) != CURLSHE_OK) {
      // Without the whole share every request keeps to itself, as before.
      curl_share_cleanup(Handle);
      Handle = nullptr;
      return;
    }
  }
}

CHttpShare::~CHttpShare() {
  // Closes the idle connections; no request uses the share any more.
  if (Handle) curl_share_cleanup(Handle);
}

std::mutex& CHttpShare::LockFor(int data) {
  const auto index = static_cast<std::size_t>(data);
  return index < Locks.size() - 1 ? Locks[index] : Locks.back();
}
