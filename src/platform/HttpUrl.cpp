#include "platform/HttpUrl.h"

#include <curl/curl.h>

#include <memory>

namespace {

struct CUrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CCurlTextDeleter {
  void operator()(char* text) const { curl_free(text); }
};
using CCurlText = std::unique_ptr<char, CCurlTextDeleter>;

bool GetPart(CURLU* url, CURLUPart what, unsigned flags, CCurlText& text) {
  char* value = nullptr;
  if (curl_url_get(url, what, &value, flags) != CURLUE_OK) return false;
  text.reset(value);
  return true;
}

}  // namespace

bool ParseHttpUrl(const QString& url, CHttpUrl& parts) {
  std::unique_ptr<CURLU, CUrlDeleter> handle(curl_url());
  if (!handle) return false;
  const QByteArray utf8 = url.toUtf8();
  // No scheme guessing and no default scheme: a relative address must fail.
  // The path is kept as written; the host sees exactly the object we were given.
  if (curl_url_set(handle.get(), CURLUPART_URL, utf8.constData(), CURLU_PATH_AS_IS) != CURLUE_OK) return false;

  CCurlText scheme, host, port, path, query;
  if (!GetPart(handle.get(), CURLUPART_SCHEME, 0, scheme)) return false;
  const bool secure = qstricmp(scheme.get(), "https") == 0;
  if (!secure && qstricmp(scheme.get(), "http") != 0) return false;
  if (!GetPart(handle.get(), CURLUPART_HOST, 0, host) || !*host) return false;
  if (!GetPart(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT, port)) return false;
  if (!GetPart(handle.get(), CURLUPART_PATH, 0, path)) return false;

  bool portOk = false;
  const int portNumber = QByteArray(port.get()).toInt(&portOk);
  if (!portOk || portNumber <= 0 || portNumber > 65535) return false;

  parts.Secure = secure;
  parts.Server = QString::fromUtf8(host.get());
  parts.Port = portNumber;
  parts.Object = QString::fromUtf8(path.get());
  if (parts.Object.isEmpty()) parts.Object = QStringLiteral("/");
  if (GetPart(handle.get(), CURLUPART_QUERY, 0, query))
    parts.Object += QLatin1Char('?') + QString::fromUtf8(query.get());
  return true;
}

