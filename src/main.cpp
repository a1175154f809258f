#include "app/Parcel2App.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

namespace {

// The program splits its command line at white space, so a key with a space
// would arrive in two pieces and the second would be taken for a switch.
bool HasSplitPurchaseKey(const QStringList& arguments) {
  const qsizetype key = arguments.indexOf(QStringLiteral("-K"));
  if (key < 0 || key + 1 >= arguments.size()) return false;
  for (const QChar c : arguments[key + 1])
    if (c.isSpace()) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // The command line as given, before Qt takes its own options out of argv.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (HasSplitPurchaseKey(arguments)) {
    std::fprintf(stderr, "parcel2: the purchase key after -K cannot contain spaces\n");
    return 1;
  }

  QApplication application(argc, argv);
  CParcel2App app(arguments.join(QLatin1Char(' ')));
  app.InitInstance();
  return app.ExitInstance();
}
