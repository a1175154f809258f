#pragma once

#include "platform/HttpUrl.h"

#include <QString>
#include <QStringList>

// Which hosts this program trusts with the customer's key and the list,
// decided here and nowhere else:
//  - a loopback host is this machine: trusted over http too;
//  - the maker's hosts (named at build time) are trusted over https only,
//    and nothing secure is ever followed to plain HTTP;
//  - any other host needs the customer's word, and a list fetched over
//    plain HTTP from a host not on this machine gets a warning;
//  - a loopback host is never reached through a proxy: the proxy would see
//    the key, and could answer in this machine's name.

// True only for names that cannot leave this machine: localhost (and names
// under .localhost), 127.0.0.0/8 and [::1]. Any other name, even one that
// happens to resolve to a loopback address, counts as a remote host.
bool IsLoopbackServer(const QString& server);

// The maker's hosts given at build time (PARCEL2_ALLOWED_HOSTS), else the
// default host.
QStringList MakersHosts();

// makersHosts: base addresses ("https://dl.example.com") or host names
// ("dl.example.com[:port]"); a host matches one by name and port.
bool IsMakersHost(const CHttpUrl& url, const QStringList& makersHosts);

// Whether a link may send the customer to this host without asking: one of
// the maker's over https, or one on this machine.
bool IsTrustedLinkHost(const CHttpUrl& url, const QStringList& makersHosts);

// Once secure, always secure: a redirect from https to plain HTTP would let
// anyone on the way answer in the secure host's name.
bool IsSecurityDowngrade(const CHttpUrl& from, const CHttpUrl& to);

// The warning a list asked for over plain HTTP from a host that is not
// this machine deserves (anyone on the way could have changed it, its
// install commands too); empty for https and for loopback hosts, which no
// proxy stands in front of (see ProxyBypassList).
QString PlainHttpListWarning(const QString& hostUrl);
// One warning for each host a list was fetched from (a redirect leads on),
// each host named once.
QStringList PlainHttpListWarnings(const QStringList& fetchedFrom);

// The hosts no request goes to through a proxy, as libcurl's NOPROXY takes
// them: the environment's no_proxy (which the option replaces) and this
// machine.
QString ProxyBypassList(const QString& environmentNoProxy);
