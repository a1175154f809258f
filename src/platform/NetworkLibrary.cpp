#include "platform/NetworkLibrary.h"

#include <curl/curl.h>

#include <mutex>

bool InitNetworkLibrary() { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }

void CleanupNetworkLibrary() { curl_global_cleanup(); }

void InitNetworkLibraryOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
