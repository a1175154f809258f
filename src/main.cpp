#include "app/Parcel2Program.h"
#include "app/ProgramArguments.h"
#include "app/SingleInstance.h"
#include "app/UnattendedRun.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
  // The command line as given, before Qt takes its own options out of argv.
  QStringList arguments;
  QString decodeError;
  if (!DecodeProgramArguments(argc, argv, arguments, decodeError)) {
    std::fprintf(stderr, "parcel2: %s\nTry 'parcel2 --help'.\n", qPrintable(decodeError));
    return EXIT_USAGE;
  }
  const CProgramArguments parsed = ParseProgramArguments(arguments);
  if (!parsed.Error.isEmpty()) {
    std::fprintf(stderr, "parcel2: %s\nTry 'parcel2 --help'.\n", qPrintable(parsed.Error));
    return EXIT_USAGE;
  }
  BlankPurchaseKeys(argc, argv);
  if (parsed.Help) {
    std::fputs(qPrintable(ProgramUsageText()), stdout);
    return EXIT_DONE;
  }
  if (parsed.Version) {
    std::printf("parcel2 %d.%d.%d.%d\n", PARCEL2_VERSION_MAJOR, PARCEL2_VERSION_MINOR, PARCEL2_VERSION_PATCH,
                PARCEL2_VERSION_TWEAK);
    return EXIT_DONE;
  }

  // Without a window: the same wizard, drawn nowhere. Told to Qt on its
  // command line, not in the environment, which the install commands get
  // as the caller gave it (a Qt installer must be able to show itself).
  std::vector<char*> qtArguments(argv, argv + argc);
  char platformSwitch[] = "-platform";
  char offscreen[] = "offscreen";
  if (parsed.Unattended) {
    qtArguments.insert(qtArguments.begin() + 1, {platformSwitch, offscreen});
    KeepQtMessagesOffTheErrorStream();
  }
  int qtArgumentCount = static_cast<int>(qtArguments.size());
  qtArguments.push_back(nullptr);
  QApplication application(qtArgumentCount, qtArguments.data());
  // One wizard per user: a later start hands its arguments to the running
  // one (which comes forward) and ends.
  std::unique_ptr<CSingleInstance> instance;
  if (!parsed.Unattended) {
    instance = std::make_unique<CSingleInstance>();
    const CSingleInstance::EHandOver handed = instance->Claim(arguments);
    if (handed == CSingleInstance::HANDED_OVER) return EXIT_DONE;
    if (handed == CSingleInstance::NO_ANSWER) {
      std::fputs("parcel2: another wizard is running but did not answer; try again once it has ended.\n", stderr);
      return EXIT_USAGE;
    }
  }
  CParcel2Program app(parsed.WizardCommandLine);
  if (instance) instance->SetArrivalHandler([&app](const QStringList& later) { app.OnSecondStart(later); });
  if (parsed.HasLink) app.SetPurchaseLink(parsed.Link);
  app.SetMayAskForPurchase(!parsed.Unattended);
  app.UrlDownload.SetMaxReceiveRate(parsed.LimitRate);
  app.Connections.store(parsed.Connections);
  std::unique_ptr<CUnattendedRun> run;
  if (parsed.Unattended) {
    run = std::make_unique<CUnattendedRun>(app, parsed);
    run->CatchSignals();
    app.SetFrameObserver([&run](CParcel2Dlg& frame) { run->Attach(frame); });
    app.SetWizardEndObserver([&run] { run->BeginShutdown(); });
  }
  app.InitInstance();
  app.ExitInstance();
  return run ? run->ExitCode() : app.GetStartExitCode();
}
