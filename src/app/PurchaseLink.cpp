#include "app/PurchaseLink.h"

#include "res/ResourceIds.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <optional>

namespace {

// The scheme without a digit is the one store pages use: the generic opener
// of older xdg-utils takes a scheme with a digit for a file name. The first
// one stays for links already handed out.
const QString SCHEMES[] = {QStringLiteral("parcel2:"), QStringLiteral("parcel-two:")};
const QString TARGET = QStringLiteral("//purchase");

// The length of our scheme at the start of the text, 0 without one.
qsizetype SchemeLength(const QString& text) {
  for (const QString& scheme : SCHEMES)
    if (text.startsWith(scheme, Qt::CaseInsensitive)) return scheme.size();
  return 0;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Every "%" starts a complete escape, the bytes are valid UTF-8 and no
// control character hides in the result ("+" stays a plus: this is not a
// form). Nothing when any of that fails.
std::optional<QString> Decode(const QString& value) {
  const QByteArray raw = value.toUtf8();
  QByteArray bytes;
  for (qsizetype i = 0; i < raw.size(); ++i) {
    if (raw[i] != '%') {
      bytes += raw[i];
      continue;
    }
    if (i + 2 >= raw.size()) return std::nullopt;
    const int high = HexValue(raw[i + 1]);
    const int low = HexValue(raw[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
    i += 2;
  }
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = utf8.decode(bytes);
  if (utf8.hasError()) return std::nullopt;
  for (const QChar c : text)
    if (c.category() == QChar::Other_Control) return std::nullopt;
  return text;
}

// Format and separator characters (no-break spaces, line separators,
// right-to-left overrides) would let the address rearrange the question
// it is shown in.
bool HasLayoutCharacters(const QString& text) {
  for (const QChar c : text) {
    const QChar::Category category = c.category();
    if (category == QChar::Other_Format || category == QChar::Separator_Space ||
        category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
      return true;
  }
  return false;
}

QString ShownHost(const CHttpUrl& url) {
  const int ownPort = url.Secure ? 443 : 80;
  QString shown = (url.Secure ? QStringLiteral("https://") : QStringLiteral("http://")) + url.Server;
  if (url.Port != ownPort) shown += QLatin1Char(':') + QString::number(url.Port);
  return shown;
}

// An http or https base address with a host and nothing a base address
// does not hold (no user, query or fragment), split as the transfer will
// split it: the trust is decided on the host it will reach.
std::optional<CHttpUrl> HostAddress(const QString& text) {
  const QUrl url(text, QUrl::StrictMode);
  CHttpUrl parts;
  if (!url.isValid() || !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment() ||
      !ParseHttpUrl(text, parts))
    return std::nullopt;
  return parts;
}

}  // namespace

bool IsPurchaseLink(const QString& argument) { return SchemeLength(argument) > 0; }

CPurchaseLink ParsePurchaseLink(const QString& link, const QStringList& makersHosts) {
  CPurchaseLink parsed;
  QStringView rest = QStringView(link).mid(SchemeLength(link));
  if (rest.size() == link.size() || !rest.startsWith(TARGET, Qt::CaseInsensitive) || link.contains(QLatin1Char('#')))
    return parsed;
  rest = rest.mid(TARGET.size());
  if (rest.startsWith(QLatin1Char('/'))) rest = rest.mid(1);
  if (!rest.startsWith(QLatin1Char('?'))) return parsed;

  std::optional<QString> number, key, host;
  for (const QStringView part : rest.mid(1).split(QLatin1Char('&'))) {
    if (part.isEmpty()) continue;  // "a=1&&b=2" and a last "&"
    const qsizetype equals = part.indexOf(QLatin1Char('='));
    const QStringView name = equals < 0 ? part : part.left(equals);
    const QString value = equals < 0 ? QString() : part.mid(equals + 1).toString();
    std::optional<QString>* slot = name == QStringLiteral("no")     ? &number
                                   : name == QStringLiteral("key")  ? &key
                                   : name == QStringLiteral("host") ? &host
                                                                    : nullptr;
    if (!slot || slot->has_value()) {
      parsed.Problem = LINK_UNKNOWN_PART;
      return parsed;
    }
    *slot = value;
  }
  for (std::optional<QString>* slot : {&number, &key, &host}) {
    if (!slot->has_value()) continue;
    *slot = Decode(**slot);
    if (!slot->has_value()) {
      parsed.Problem = LINK_BAD_ENCODING;
      return parsed;
    }
  }

  const int value = number ? ReadPurchaseNumber(*number) : 0;
  if (value == 0) {
    parsed.Problem = LINK_BAD_NUMBER;
    return parsed;
  }
  if (!key || key->isEmpty()) {
    parsed.Problem = LINK_NO_KEY;
    return parsed;
  }
  if (host) {
    const std::optional<CHttpUrl> url = HasLayoutCharacters(*host) ? std::nullopt : HostAddress(*host);
    if (!url) {
      parsed.Problem = LINK_BAD_HOST;
      return parsed;
    }
    parsed.Host = IsTrustedLinkHost(*url, makersHosts) ? LINK_HOST_TRUSTED : LINK_HOST_UNTRUSTED;
    parsed.HostUrl = *host;
    parsed.HostShown = ShownHost(*url);
  }
  parsed.Problem = LINK_OK;
  parsed.Number = value;
  parsed.Key = *key;
  return parsed;
}

int ReadPurchaseNumber(const QString& text) {
  static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
  const qint64 value = digits.match(text).hasMatch() ? text.toLongLong() : 0;
  return value >= 1 && value <= 2147483647 ? static_cast<int>(value) : 0;
}

int PurchaseInputProblem(const QString& number, const QString& key) {
  for (const QChar c : number)
    if (c < u'0' || c > u'9') return IDS_PURCHASE_NUMBER_DIGITS;
  for (const QChar c : key.trimmed())
    if (c.isSpace()) return IDS_PURCHASE_KEY_SPACE;
  return 0;
}

int PurchaseLinkProblemText(EPurchaseLinkProblem problem) {
  switch (problem) {
    case LINK_OK: break;
    case LINK_NOT_PURCHASE: return IDS_LINK_NOT_PURCHASE;
    case LINK_BAD_ENCODING: return IDS_LINK_BAD_ENCODING;
    case LINK_BAD_NUMBER: return IDS_LINK_BAD_NUMBER;
    case LINK_NO_KEY: return IDS_LINK_NO_KEY;
    case LINK_UNKNOWN_PART: return IDS_LINK_UNKNOWN_PART;
    case LINK_BAD_HOST: return IDS_LINK_BAD_HOST;
  }
  return 0;
}
