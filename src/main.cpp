#include "app/Parcel2App.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv) {
  // The command line as given, before Qt takes its own options out of argv.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

  QApplication application(argc, argv);
  CParcel2App app(arguments.join(QLatin1Char(' ')));
  app.InitInstance();
  return app.ExitInstance();
}
