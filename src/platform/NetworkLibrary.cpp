#include "platform/NetworkLibrary.h"

#include <curl/curl.h>

bool InitNetworkLibrary() { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }

void CleanupNetworkLibrary() { curl_global_cleanup(); }
