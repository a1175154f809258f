#include "host/HostCommandLine.h"

#include "host/HostCatalog.h"
#include "host/HostFaultText.h"
#include "host/HostPublisher.h"
#include "host/HostServer.h"

#include <QDir>

#include <csignal>
#include <pthread.h>

namespace {

const char* const USAGE =
    "usage:\n"
    "  parcel2-host publish --catalog DIR --product FILE --name NAME --number N\n"
    "      [--en-name NAME] [--file-name NAME] [--id ID] [--part-size BYTES | --parts N]\n"
    "      [--install \"CMD|PARAMS|WINTYPE|WAIT\"]... [--message \"N|TEXT\"]...\n"
    "      [--purchase \"NUMBER:KEY\"]... [--signing-key KEY.pem [--serial N] [--expires-days D]]\n"
    "  parcel2-host keygen DIR\n"
    "  parcel2-host serve CATALOG [--bind ADDRESS] [--port N] [--quiet] [--no-ranges]\n"
    "      [--fault RULE]... [--throttle BYTES_PER_SECOND] [--tls-cert FILE --tls-key FILE]\n"
    "      [--accel-redirect PREFIX] [--busy-above K[:STATUS]]\n"
    "  parcel2-host --help\n"
    "fault RULE: KIND[:ARG[:ARG]][,endpoint=list|body|list_u8|body_u8|list_test|body_test|other|any]"
    "[,reqid=NAME][,count=N|all]\n"
    "  KIND: delay:MS stall:AFTER[:MS] drop:AFTER status:CODE\n"
    "        redirect:CODE[:absolute|relative|none|URL] digest:wrong|missing|nothex|length\n"
    "        corrupt[:OFFSET] short long empty throttle:BYTES_PER_SECOND badrange\n"
    "--no-ranges: parts are always sent whole, whatever Range a request carries\n"
    "--accel-redirect PREFIX: a part whose purchase checks out is answered with\n"
    "  \"X-Accel-Redirect: PREFIX<product id>/<part name>\" and no body, for nginx in front\n"
    "  to send from an internal location over the catalog (it answers Range itself);\n"
    "  throttle and stall faults reach nginx as X-Accel-Limit-Rate and X-Parcel2-Rate-After\n"
    "--busy-above K[:STATUS]: a part asked for while K part bodies are being sent already\n"
    "  gets STATUS (503 unless given; 429 says the same); the most bodies that were open at\n"
    "  once is printed with every SIGUSR1 and at the end\n"
    "--signing-key: signs the list (SV,<serial>,<expires> and SG,<key id>,<signature>); serial\n"
    "  default: the time of publishing in seconds; it expires after D days (default 90)\n"
    "keygen: writes DIR/maker.pem (the private key, keep it secret) and DIR/maker.pub.pem\n"
    "  (build the program with it: -DPARCEL2_MAKER_KEYS=DIR/maker.pub.pem)\n";

int Usage(std::FILE* err, const QString& problem) {
  if (!problem.isEmpty()) std::fprintf(err, "parcel2-host: %s\n", qPrintable(problem));
  std::fputs(USAGE, err);
  return 2;
}

bool ToInt(const QString& text, qint64& value) {
  bool ok = false;
  value = text.toLongLong(&ok);
  return ok;
}

// "K" or "K:STATUS", K above 0 and a status of 400 to 599.
bool ReadBusy(const QString& text, CHostServer::COptions& options) {
  qint64 above = 0;
  qint64 status = 503;
  const bool hasStatus = text.contains(QLatin1Char(':'));
  if (!ToInt(text.section(QLatin1Char(':'), 0, 0), above) || above <= 0 || above > 1000) return false;
  if (hasStatus && (!ToInt(text.section(QLatin1Char(':'), 1), status) || status < 400 || status > 599)) return false;
  options.BusyAbove = static_cast<int>(above);
  options.BusyStatus = static_cast<int>(status);
  return true;
}

void PrintPeak(std::FILE* out, const CHostServer& server) {
  std::fprintf(out, "Peak part bodies open at once: %d\n", server.GetPeakOpenBodies());
  std::fflush(out);
}

}  // namespace

int RunHostCommand(const QStringList& arguments, std::FILE* out, std::FILE* err) {
  if (arguments.isEmpty()) return Usage(err, QString());
  if (arguments[0] == QLatin1String("--help") || arguments[0] == QLatin1String("-h")) {
    std::fputs(USAGE, out);
    return 0;
  }
  const QStringList rest = arguments.mid(1);
  if (arguments[0] == QLatin1String("publish")) return RunHostPublish(rest, out, err);
  if (arguments[0] == QLatin1String("serve")) return RunHostServe(rest, out, err);
  if (arguments[0] == QLatin1String("keygen")) return RunHostKeygen(rest, out, err);
  return Usage(err, QStringLiteral("unknown command \"%1\"").arg(arguments[0]));
}

int RunHostKeygen(const QStringList& arguments, std::FILE* out, std::FILE* err) {
  if (arguments.size() != 1) return Usage(err, QStringLiteral("keygen needs one folder"));
  CHostMakerKey key;
  QString error;
  if (!MakeMakerKey(key, &error) || !WriteMakerKey(arguments[0], key, &error)) {
    std::fprintf(err, "parcel2-host: %s\n", qPrintable(error));
    return 1;
  }
  std::fprintf(out,
               "Private key: %s/maker.pem (sign with it: publish --signing-key; keep it secret)\n"
               "Public key:  %s/maker.pub.pem (build the program with it: -DPARCEL2_MAKER_KEYS=...)\n"
               "Key id:      %s\n",
               qPrintable(arguments[0]), qPrintable(arguments[0]), key.Id.constData());
  return 0;
}

int RunHostPublish(const QStringList& arguments, std::FILE* out, std::FILE* err) {
  CHostPublishOptions options;
  QString catalogFolder;
  QString productPath;
  bool hasNumber = false;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& name = arguments[i];
    if (i + 1 >= arguments.size()) return Usage(err, QStringLiteral("%1 needs a value").arg(name));
    const QString value = arguments[++i];
    qint64 number = 0;
    if (name == QLatin1String("--catalog")) {
      catalogFolder = value;
    } else if (name == QLatin1String("--product")) {
      productPath = value;
    } else if (name == QLatin1String("--name")) {
      options.SoftwareName = value;
    } else if (name == QLatin1String("--en-name")) {
      options.SoftwareEnName = value;
    } else if (name == QLatin1String("--number") && ToInt(value, number) && number >= 0 && number <= INT32_MAX) {
      options.ProductNo = static_cast<int>(number);
      hasNumber = true;
    } else if (name == QLatin1String("--file-name")) {
      options.FileName = value;
    } else if (name == QLatin1String("--id")) {
      options.ProductId = value;
    } else if (name == QLatin1String("--part-size") && ToInt(value, number) && number > 0) {
      options.PartSize = number;
    } else if (name == QLatin1String("--parts") && ToInt(value, number) && number > 0 && number <= 100000) {
      options.PartCount = static_cast<int>(number);
    } else if (name == QLatin1String("--install") && value.count(QLatin1Char('|')) == 3) {
      const QStringList fields = value.split(QLatin1Char('|'));
      qint64 winType = 0;
      qint64 wait = 0;
      if (!ToInt(fields[2], winType) || !ToInt(fields[3], wait))
        return Usage(err, QStringLiteral("cannot read --install \"%1\"").arg(value));
      options.Installs.push_back(CHostInstallCommand{fields[0], fields[1], static_cast<int>(winType), wait > 0});
    } else if (name == QLatin1String("--message") && value.contains(QLatin1Char('|')) &&
               ToInt(value.section(QLatin1Char('|'), 0, 0), number)) {
      options.Messages[static_cast<int>(number)] = value.section(QLatin1Char('|'), 1);
    } else if (name == QLatin1String("--signing-key")) {
      CHostMakerKey key;
      QString error;
      if (!ReadMakerKey(value, key, &error)) return Usage(err, error);
      options.SigningKey = key;
    } else if (name == QLatin1String("--serial") && ToInt(value, number) && number > 0) {
      options.Serial = number;
    } else if (name == QLatin1String("--expires-days") && ToInt(value, number) && number > 0 && number <= 36500) {
      options.ExpiresDays = static_cast<int>(number);
    } else if (name == QLatin1String("--purchase") && value.contains(QLatin1Char(':'))) {
      options.Purchases.emplace_back(value.section(QLatin1Char(':'), 0, 0).toStdString(),
                                     value.section(QLatin1Char(':'), 1).toStdString());
    } else {
      return Usage(err, QStringLiteral("cannot read %1 \"%2\"").arg(name, value));
    }
  }
  if (catalogFolder.isEmpty() || productPath.isEmpty() || options.SoftwareName.isEmpty() || !hasNumber)
    return Usage(err, QStringLiteral("publish needs --catalog, --product, --name and --number"));
  if (!options.SigningKey && (options.Serial > 0 || arguments.contains(QLatin1String("--expires-days"))))
    return Usage(err, QStringLiteral("--serial and --expires-days go with --signing-key"));

  QString error;
  QStringList warnings;
  if (!QDir().mkpath(catalogFolder)) error = QStringLiteral("Cannot create the catalog folder %1").arg(catalogFolder);
  CHostCatalog catalog(catalogFolder);
  CHostPublisher publisher(catalog);
  CHostPublished published;
  // The catalog is read first so that the purchases already in it are kept.
  if (!error.isEmpty() || !catalog.Load(&error, &warnings) ||
      !publisher.PublishFile(productPath, options, &published, &error)) {
    std::fprintf(err, "parcel2-host: %s\n", qPrintable(error));
    return 1;
  }
  std::fprintf(out, "Published %s as %s: %lld bytes in %d parts, digest %s\n", qPrintable(productPath),
               qPrintable(published.ProductId), static_cast<long long>(published.Files[0].Size),
               static_cast<int>(published.Files.size()) - 1, qPrintable(published.Files[0].Digest));
  for (const auto& [number, key] : options.Purchases) std::fprintf(out, "Purchase %s may fetch it\n", number.c_str());
  if (options.SigningKey) std::fprintf(out, "The list is signed with key %s\n", options.SigningKey->Id.constData());
  return 0;
}

int RunHostServe(const QStringList& arguments, std::FILE* out, std::FILE* err) {
  if (arguments.isEmpty() || arguments[0].startsWith(QLatin1String("--")))
    return Usage(err, QStringLiteral("serve needs a catalog folder"));
  CHostServer::COptions options;
  options.Port = 8080;
  options.LogStream = out;
  std::vector<CHostFaultRule> rules;
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& name = arguments[i];
    if (name == QLatin1String("--quiet")) {
      options.LogStream = nullptr;
      continue;
    }
    if (name == QLatin1String("--no-ranges")) {
      options.Ranges = false;
      continue;
    }
    if (i + 1 >= arguments.size()) return Usage(err, QStringLiteral("%1 needs a value").arg(name));
    const QString value = arguments[++i];
    qint64 number = 0;
    QString error;
    CHostFaultRule rule;
    if (name == QLatin1String("--bind")) {
      options.BindAddress = value;
    } else if (name == QLatin1String("--port") && ToInt(value, number) && number >= 0 && number <= 65535) {
      options.Port = static_cast<int>(number);
    } else if (name == QLatin1String("--fault")) {
      if (!ParseHostFaultRule(value, rule, &error)) return Usage(err, error);
      rules.push_back(rule);
    } else if (name == QLatin1String("--tls-cert")) {
      options.TlsCertFile = value;
    } else if (name == QLatin1String("--tls-key")) {
      options.TlsKeyFile = value;
    } else if (name == QLatin1String("--accel-redirect") && value.startsWith(QLatin1Char('/'))) {
      options.AccelRedirect = value;
    } else if (name == QLatin1String("--busy-above") && ReadBusy(value, options)) {
    } else if (name == QLatin1String("--throttle") && ToInt(value, number) && number > 0) {
      rules.push_back(CHostFaultRule{HOST_ANY, std::string(), -1, CHostFault::Throttle(number)});
    } else {
      return Usage(err, QStringLiteral("cannot read %1 \"%2\"").arg(name, value));
    }
  }

  if (options.TlsCertFile.isEmpty() != options.TlsKeyFile.isEmpty())
    return Usage(err, QStringLiteral("--tls-cert and --tls-key go together"));

  CHostCatalog catalog(arguments[0]);
  QString error;
  QStringList warnings;
  if (!catalog.Load(&error, &warnings)) {
    std::fprintf(err, "parcel2-host: %s\n", qPrintable(error));
    return 1;
  }
  for (const QString& warning : warnings) std::fprintf(err, "parcel2-host: %s\n", qPrintable(warning));

  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  // SIGUSR1 ends the stalls waiting now, as a test in the process would.
  sigaddset(&stopSignals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  CHostServer server(catalog);
  for (const CHostFaultRule& rule : rules) server.GetFaults().Add(rule);
  if (!server.Start(options, &error)) {
    std::fprintf(err, "parcel2-host: %s\n", qPrintable(error));
    return 1;
  }
  std::fprintf(out, "Serving %s on %s (stop with Ctrl+C)\n", qPrintable(arguments[0]), qPrintable(server.GetBaseUrl()));
  std::fflush(out);
  int received = 0;
  while (sigwait(&stopSignals, &received) == 0 && received == SIGUSR1) {
    server.GetWaiter().ReleaseStalls();
    std::fprintf(out, "Released the stalls\n");
    PrintPeak(out, server);
  }
  PrintPeak(out, server);
  std::fprintf(out, "Stopping\n");
  server.Stop();
  return 0;
}
