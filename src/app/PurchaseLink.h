#pragma once

#include "platform/HostTrust.h"

#include <QString>
#include <QStringList>

// A store hands the customer a link instead of a command line:
//   parcel-two://purchase?no=NUMBER&key=KEY[&host=URL]   (or parcel2://...)
// with percent-encoded values. It stands for -P, -K and -H. A link comes
// from a web page, so it is read strictly: every part known and given
// once, every escape complete and the text valid UTF-8, and a host only of
// the maker's over https, or on this machine.
enum EPurchaseLinkProblem {
  LINK_OK,
  LINK_NOT_PURCHASE,   // another scheme, another target, a fragment
  LINK_BAD_ENCODING,   // a broken escape, invalid UTF-8, a control character
  LINK_BAD_NUMBER,     // missing, not digits only, 0 or beyond 2147483647
  LINK_NO_KEY,         // missing or empty
  LINK_UNKNOWN_PART,   // a parameter not known or given twice
  LINK_BAD_HOST,       // not an http or https base address, or one with
                       // invisible or layout characters anywhere
};

enum EPurchaseLinkHost {
  LINK_HOST_DEFAULT,    // no host in the link: the one built in
  LINK_HOST_TRUSTED,    // one of the maker's hosts over https, or loopback
  LINK_HOST_UNTRUSTED,  // anything else: the customer decides, or nobody goes
};

struct CPurchaseLink {
  EPurchaseLinkProblem Problem = LINK_NOT_PURCHASE;
  EPurchaseLinkHost Host = LINK_HOST_DEFAULT;
  int Number = 0;
  QString Key;
  QString HostUrl;  // empty without a host
  // The host as the customer is asked about it: scheme, name and a port
  // that is not the scheme's own, nothing else of what the link wrote.
  QString HostShown;
};

// Whether a command-line argument is meant as a link (its scheme is ours),
// whether or not it can be used.
bool IsPurchaseLink(const QString& argument);

// makersHosts: as IsMakersHost takes them.
CPurchaseLink ParsePurchaseLink(const QString& link, const QStringList& makersHosts);

// A purchase number as a link carries it or the customer types it: digits
// only, 1 to 2147483647; 0 for anything else.
int ReadPurchaseNumber(const QString& text);

// Why a purchase the customer typed cannot be taken, as a string id: a
// number with anything but digits, a key (its ends trimmed) with white
// space inside, which the wizard's command line would cut in two. 0 when
// neither is wrong (either may still be missing).
int PurchaseInputProblem(const QString& number, const QString& key);

// The customer's words for a problem: a string id of the string table.
int PurchaseLinkProblemText(EPurchaseLinkProblem problem);
