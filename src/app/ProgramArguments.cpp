#include "app/ProgramArguments.h"

#include "list/MakerKeys.h"

#include "platform/UiLanguage.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

bool HasSpace(const QString& text) {
  for (const QChar c : text)
    if (c.isSpace()) return true;
  return false;
}

// Whether the wizard's split of its joined command line would cut the
// argument in two ('-E -H http://other' would become two switches).
bool WouldBeSplit(const QString& argument) {
  for (const QChar c : argument)
    if (COMMAND_LINE_SEPARATORS.contains(c)) return true;
  return false;
}

bool IsWizardSwitch(const QString& argument) {
  static const QStringList SWITCHES = {"-P", "-K", "-H", "-L", "-E"};
  return SWITCHES.contains(argument) || argument.startsWith(QStringLiteral("-T")) || argument.startsWith(QStringLiteral("--"));
}

// A switch of the wizard's followed by no value or by another switch, which
// the wizard would then take for the value ("-P -K KEY" takes -K for the
// number and logs the key as a stray argument). Empty when each has one.
// The message never repeats an argument: the one after -K is a key.
QString MissingValue(const QStringList& arguments, qsizetype i) {
  const QString& argument = arguments[i];
  const bool takesValue = argument == QStringLiteral("-P") || argument == QStringLiteral("-K") ||
                          argument == QStringLiteral("-H") || argument.startsWith(QStringLiteral("-T"));
  if (!takesValue) return QString();
  if (i + 1 >= arguments.size()) return QStringLiteral("%1 needs a value").arg(argument);
  if (IsWizardSwitch(arguments[i + 1]))
    return QStringLiteral("%1 needs a value, not the switch %2").arg(argument, arguments[i + 1]);
  return QString();
}

// A link stands for the purchase switches, so it comes alone. Without a
// window nobody is there to be asked: a link that cannot be used, or that
// names a host nobody vouches for, is wrong usage.
QString LinkUsageError(const CProgramArguments& parsed, bool purchaseSwitch) {
  const CPurchaseLink& link = parsed.Link;
  if (purchaseSwitch) return QStringLiteral("a purchase link stands for -P, -K and -H: give one or the other");
  if (!parsed.Unattended || parsed.Help || parsed.Version) return QString();
  if (link.Problem != LINK_OK)
    return QStringLiteral("the purchase link cannot be used: %1")
        .arg(LoadString(PurchaseLinkProblemText(link.Problem), LANG_ENGLISH_US));
  if (link.Host == LINK_HOST_UNTRUSTED)
    return QStringLiteral("the link's host %1 is neither one of the maker's https hosts nor on this machine")
        .arg(link.HostShown);
  return QString();
}

// Whether this build checks signatures, and with which keys.
QString SignatureCheckText() {
  const CMakerKeys keys = BuiltInMakerKeys();
  if (!keys.Required) return QStringLiteral("This program was built without keys: it checks no signature.\n");
  QStringList ids;
  for (const CMakerKey& key : keys.Keys) ids << QString::fromLatin1(key.Id);
  return QStringLiteral("This program trusts lists signed with the key%1 %2.\n")
      .arg(ids.size() == 1 ? "" : "s", ids.isEmpty() ? QStringLiteral("(none readable)") : ids.join(QStringLiteral(", ")));
}

}  // namespace

void BlankPurchaseKeys(int argc, char** argv) {
  const auto blank = [](char* from, char* to) { std::fill(from, to, '*'); };
  for (int i = 1; i < argc; ++i) {
    char* argument = argv[i];
    const std::size_t length = std::strlen(argument);
    // Whatever a switch before it made of "-K", what follows it is a key.
    if (std::strcmp(argument, "-K") == 0 && i + 1 < argc) {
      blank(argv[i + 1], argv[i + 1] + std::strlen(argv[i + 1]));
    } else if (IsPurchaseLink(QString::fromUtf8(argument))) {
      // Every "key=" part, as the link's query splits.
      char* const end = argument + length;
      for (char* part = std::strpbrk(argument, "?&"); part; part = std::strpbrk(part + 1, "?&")) {
        if (std::strncmp(part + 1, "key=", 4) != 0) continue;
        char* const value = part + 5;
        char* const valueEnd = std::find(value, end, '&');
        blank(value, valueEnd);
      }
    }
  }
}

qint64 ParseRate(const QString& text) {
  static const QString SUFFIXES = QStringLiteral("kmg");
  QString digits = text;
  qint64 unit = 1;
  const qsizetype suffix = text.isEmpty() ? -1 : SUFFIXES.indexOf(text.back().toLower());
  if (suffix >= 0) {
    digits.chop(1);
    unit = qint64{1} << (10 * (suffix + 1));
  }
  for (const QChar c : digits)
    if (c < u'0' || c > u'9') return 0;
  bool ok = false;
  const qint64 value = digits.toLongLong(&ok);
  if (!ok || value <= 0 || value > std::numeric_limits<qint64>::max() / unit) return 0;
  return value * unit;
}

int ParseConnections(const QString& text) {
  if (text.size() != 1) return 0;
  const int count = text[0].unicode() - u'0';
  return count >= 1 && count <= CProgramArguments::MAX_CONNECTIONS ? count : 0;
}

CProgramArguments ParseProgramArguments(const QStringList& arguments) {
  CProgramArguments parsed;
  QStringList wizard;
  bool hasPurchase = false;
  bool hasKey = false;
  bool purchaseSwitch = false;
  QString missingValue;  // wrong usage without a window only: the customer is asked
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QStringLiteral("--unattended")) {
      parsed.Unattended = true;
    } else if (argument == QStringLiteral("--install")) {
      parsed.Install = true;
    } else if (argument == QStringLiteral("--help")) {
      parsed.Help = true;
    } else if (argument == QStringLiteral("--version")) {
      parsed.Version = true;
    } else if (argument == QStringLiteral("--folder")) {
      if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
        parsed.Error = QStringLiteral("--folder needs a folder");
        return parsed;
      }
      parsed.Folder = arguments[++i];
    } else if (IsPurchaseLink(argument)) {
      if (parsed.HasLink) {
        parsed.Error = QStringLiteral("one purchase link at a time");
        return parsed;
      }
      parsed.HasLink = true;
      parsed.Link = ParsePurchaseLink(argument, MakersHosts());
      hasPurchase = hasKey = true;  // or the link says why not
    } else if (argument == QStringLiteral("--limit-rate")) {
      parsed.LimitRate = i + 1 < arguments.size() ? ParseRate(arguments[++i]) : 0;
      if (parsed.LimitRate == 0) {
        parsed.Error = QStringLiteral("--limit-rate needs a rate in bytes per second above 0, as 500K, 2M or 1G");
        return parsed;
      }
    } else if (argument == QStringLiteral("--connections")) {
      parsed.Connections = i + 1 < arguments.size() ? ParseConnections(arguments[++i]) : 0;
      if (parsed.Connections == 0) {
        parsed.Error = QStringLiteral("--connections needs a number of parts to fetch at once, from 1 to %1")
                           .arg(CProgramArguments::MAX_CONNECTIONS);
        return parsed;
      }
    } else if (argument.startsWith(QStringLiteral("--"))) {
      parsed.Error = QStringLiteral("unknown switch %1").arg(argument);
      return parsed;
    } else {
      // The key goes after -K as an argument of its own: glued to the switch
      // it would be taken for no switch at all and logged as it is.
      if (argument.startsWith(QStringLiteral("-K")) && argument.size() > 2) {
        parsed.Error = QStringLiteral("the purchase key goes after -K as an argument of its own");
        return parsed;
      }
      // The wizard splits its command line at white space, so a key with a
      // space would arrive in two pieces and the second be taken for a switch.
      if (argument == QStringLiteral("-K") && i + 1 < arguments.size() && HasSpace(arguments[i + 1])) {
        parsed.Error = QStringLiteral("the purchase key after -K cannot contain spaces");
        return parsed;
      }
      if (WouldBeSplit(argument)) {
        parsed.Error = QStringLiteral("argument %1 holds white space, and the wizard would take it for several: "
                                      "give each switch and each value as an argument of its own")
                           .arg(i + 1);
        return parsed;
      }
      if (missingValue.isEmpty()) missingValue = MissingValue(arguments, i);
      hasPurchase = hasPurchase || (argument == QStringLiteral("-P") && i + 1 < arguments.size());
      hasKey = hasKey || (argument == QStringLiteral("-K") && i + 1 < arguments.size());
      purchaseSwitch = purchaseSwitch || argument == QStringLiteral("-P") || argument == QStringLiteral("-K") ||
                       argument == QStringLiteral("-H");
      wizard << argument;
    }
  }
  if (!parsed.Unattended && (parsed.Install || !parsed.Folder.isEmpty()))
    parsed.Error = QStringLiteral("--folder and --install go with --unattended");
  else if (parsed.Unattended && !parsed.Help && !parsed.Version && !missingValue.isEmpty())
    parsed.Error = missingValue;
  else if (parsed.Unattended && !parsed.Help && !parsed.Version && (!hasPurchase || !hasKey))
    parsed.Error = QStringLiteral("--unattended needs -P NUMBER and -K KEY");
  if (parsed.Error.isEmpty() && parsed.HasLink) parsed.Error = LinkUsageError(parsed, purchaseSwitch);
  parsed.WizardCommandLine = wizard.join(QLatin1Char(' '));
  return parsed;
}

bool DecodeProgramArguments(int argc, char** argv, QStringList& arguments, QString& error) {
  arguments.clear();
  for (int i = 1; i < argc; ++i) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString argument = decoder(QByteArrayView(argv[i]));
    // A folder or a key read with a replacement character in it would name
    // another folder, or send another key.
    if (decoder.hasError()) {
      error = QStringLiteral("argument %1 is not valid UTF-8").arg(i);
      return false;
    }
    arguments << argument;
  }
  return true;
}

QString ProgramUsageText() {
  return QStringLiteral(
      "Usage: parcel2 [-L] [-E] [-T N] -P NUMBER -K KEY [-H URL] [--limit-rate RATE]\n"
      "               [--connections N]\n"
      "       parcel2 --unattended -P NUMBER -K KEY [-H URL] [--folder DIR] [--install]\n"
      "               [--limit-rate RATE] [--connections N] [-L] [-E]\n"
      "       parcel2 [--unattended ...] 'parcel-two://purchase?no=NUMBER&key=KEY[&host=URL]'\n"
      "       parcel2 --help | --version\n"
      "\n"
      "Downloads a purchased software product, checks it against its MD5 digests\n"
      "and offers to run its install commands.\n"
      "\n"
      "  -L              write the diagnostic log (found anywhere on the line)\n"
      "  -E              English pages and messages (found anywhere on the line)\n"
      "  -T N            test endpoints: 1 list, 2 body, 3 both\n"
      "  -P NUMBER       the purchase number\n"
      "  -K KEY          the purchase key (never logged; no spaces)\n"
      "  -H URL          the download host's base address, http:// or https://\n"
      "  --unattended    run the wizard without a window, pressing each page's\n"
      "                  primary button and giving every message box its default\n"
      "                  answer; SIGINT or SIGTERM cancels\n"
      "  --folder DIR    save into DIR (created when missing)\n"
      "  --install       run the product's install commands afterwards\n"
      "  --limit-rate RATE\n"
      "                  receive at most RATE bytes per second, in both modes;\n"
      "                  K, M or G after the number count 1024, 1024^2, 1024^3\n"
      "  --connections N fetch up to N parts at once (1 to 8, default 4); a host\n"
      "                  that answers the extra connections with 429 or 503 gets fewer\n"
      "  --help          print this text\n"
      "  --version       print the version\n"
      "\n"
      "Exit codes of --unattended:\n"
      "  0  the product is downloaded and verified (and installed when asked)\n"
      "  1  wrong usage, or another run is already downloading into the working folder\n"
      "  2  the download information could not be acquired\n"
      "  3  the download or the verification failed\n"
      "  4  the download list needs a newer program\n"
      "  5  no folder with enough room, or the folder was refused\n"
      "  6  cancelled\n"
      "  7  an install command failed (each one is named on standard error)\n"
      "  8  the download list could not be verified\n"
      "\n"
      "Signed download lists: a program built with the maker's public keys uses a\n"
      "list only when its last line, SG,<key id>,<signature>, is an Ed25519\n"
      "signature by one of them of every byte before it, and its line\n"
      "SV,<serial>,<expires> has not expired and is not older than the list seen\n"
      "before for the purchase ($XDG_STATE_HOME/parcel2 keeps the highest serial).\n"
      "Makers sign with 'parcel2-host publish --signing-key'; see parcel2-host(1).\n") +
         SignatureCheckText();
}
