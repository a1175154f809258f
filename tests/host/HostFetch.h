#pragma once

#include <curl/curl.h>

#include <QByteArray>

#include <cctype>
#include <map>
#include <string>
#include <vector>

// A plain HTTP client for the host's tests: no redirects followed, no
// caching, the body and the headers as they came.
struct CHostFetch {
  CURLcode Code = CURLE_OK;
  long Status = 0;
  QByteArray Body;
  std::map<std::string, std::string> Headers;  // lower-case names

  bool HasHeader(const std::string& name) const { return Headers.count(name) != 0; }
  std::string Header(const std::string& name) const {
    const auto found = Headers.find(name);
    return found == Headers.end() ? std::string() : found->second;
  }
};

// A POST with the query as body, as the wizard sends it; a GET when body
// is null. Time-out in milliseconds for the whole transfer.
inline CHostFetch FetchFromHost(const std::string& url, const std::string* body, long timeoutMs = 20000,
                                const std::vector<std::string>& headers = {}) {
  CHostFetch result;
  CURL* curl = curl_easy_init();
  curl_slist* headerList = nullptr;
  for (const std::string& header : headers) headerList = curl_slist_append(headerList, header.c_str());
  if (headerList) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  // The host is in this process: a desktop's http_proxy must not stand between.
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  if (body) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
  }
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* user) {
    static_cast<QByteArray*>(user)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
  });
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &result.Body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, +[](char* data, size_t size, size_t count, void* user) {
    const std::string line(data, size * count);
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) {
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      std::string value = line.substr(colon + 1);
      while (!value.empty() && (value.front() == ' ')) value.erase(0, 1);
      while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
      (*static_cast<std::map<std::string, std::string>*>(user))[name] = value;
    }
    return size * count;
  });
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &result.Headers);
  result.Code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.Status);
  curl_easy_cleanup(curl);
  curl_slist_free_all(headerList);
  return result;
}

inline CHostFetch PostToHost(const std::string& url, const std::string& body, long timeoutMs = 20000) {
  return FetchFromHost(url, &body, timeoutMs);
}
