#include "platform/SystemInfo.h"

#include "platform/TextFormat.h"

#include <sys/utsname.h>

QString FormatProgramVersion(int major, int minor, int build, int revision) {
  return FormatText(QStringLiteral("%02d%d%d%02d"), major, minor, build, revision);
}

QString GetProgramVersionText() {
  return FormatProgramVersion(PARCEL2_VERSION_MAJOR, PARCEL2_VERSION_MINOR, PARCEL2_VERSION_PATCH,
                              PARCEL2_VERSION_TWEAK);
}

QString GetSystemDescription() {
  utsname name{};
  if (uname(&name) != 0) return QStringLiteral("unknown system");
  return QString::fromLocal8Bit(name.sysname) + QLatin1Char(' ') + QString::fromLocal8Bit(name.release);
}
