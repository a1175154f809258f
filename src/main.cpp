#include "app/Parcel2Program.h"
#include "app/ProgramArguments.h"
#include "app/UnattendedRun.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
  // The command line as given, before Qt takes its own options out of argv.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const CProgramArguments parsed = ParseProgramArguments(arguments);
  if (!parsed.Error.isEmpty()) {
    std::fprintf(stderr, "parcel2: %s\nTry 'parcel2 --help'.\n", qPrintable(parsed.Error));
    return EXIT_USAGE;
  }
  if (parsed.Help) {
    std::fputs(qPrintable(ProgramUsageText()), stdout);
    return EXIT_DONE;
  }
  if (parsed.Version) {
    std::printf("parcel2 %d.%d.%d.%d\n", PARCEL2_VERSION_MAJOR, PARCEL2_VERSION_MINOR, PARCEL2_VERSION_PATCH,
                PARCEL2_VERSION_TWEAK);
    return EXIT_DONE;
  }

  // Without a window: the same wizard, drawn nowhere.
  if (parsed.Unattended) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  CParcel2Program app(parsed.WizardCommandLine);
  std::unique_ptr<CUnattendedRun> run;
  if (parsed.Unattended) {
    run = std::make_unique<CUnattendedRun>(app, parsed);
    run->CatchSignals();
    app.SetFrameObserver([&run](CParcel2Dlg& frame) { run->Attach(frame); });
  }
  app.InitInstance();
  app.ExitInstance();
  return run ? run->ExitCode() : 0;
}
