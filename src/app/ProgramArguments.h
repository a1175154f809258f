#pragma once

#include "app/PurchaseLink.h"

#include <QString>
#include <QStringList>

// The switches of this program that the wizard's own command line does not
// know: the unattended mode and its choices, --help and --version. They and
// their values are taken out of the command line before the wizard sees it,
// so a folder such as /srv/My-Logs cannot switch the log on.
struct CProgramArguments {
  static constexpr int DEFAULT_CONNECTIONS = 4;
  static constexpr int MAX_CONNECTIONS = 8;

  bool Unattended = false;
  bool Install = false;
  bool Help = false;
  bool Version = false;
  QString Folder;
  // A parcel2:// link in place of -P, -K and -H, never handed to the wizard
  // (its command line is logged). Link.Problem says whether it can be used;
  // the unattended mode has already refused one that cannot.
  bool HasLink = false;
  CPurchaseLink Link;
  // --limit-rate in bytes per second; 0: no limit.
  qint64 LimitRate = 0;
  // --connections: how many parts are fetched at once.
  int Connections = DEFAULT_CONNECTIONS;
  // The rest, joined with single spaces: what the wizard parses.
  QString WizardCommandLine;
  // Wrong usage: what to tell the user; empty when the arguments are fine.
  QString Error;
};

CProgramArguments ParseProgramArguments(const QStringList& arguments);

// The arguments after the program's name as text; false (and what to tell
// the user) when one of them is not valid UTF-8.
bool DecodeProgramArguments(int argc, char** argv, QStringList& arguments, QString& error);

// Overwrites the purchase keys in the process's own arguments once they are
// read (the argument after every -K, the key of a link), as curl blanks a
// password: /proc/PID/cmdline shows the arguments to every local user and
// to the install commands for the whole run.
void BlankPurchaseKeys(int argc, char** argv);

// A rate as curl's --limit-rate takes it: bytes per second, with an
// optional K, M or G (either case) for steps of 1024. 0 when it is not one.
qint64 ParseRate(const QString& text);

// The number after --connections: 1 to MAX_CONNECTIONS; 0 when it is not one.
int ParseConnections(const QString& text);

// The text of --help: the switches and the exit codes.
QString ProgramUsageText();

// Exit codes of the unattended mode.
enum EExitCode {
  EXIT_DONE = 0,
  EXIT_USAGE = 1,
  EXIT_NO_DOWNLOAD_INFO = 2,
  EXIT_DOWNLOAD_FAILED = 3,
  EXIT_VERSION_ERROR = 4,
  EXIT_NO_FOLDER = 5,
  EXIT_CANCELLED = 6,
  EXIT_INSTALL_FAILED = 7,
  EXIT_LIST_NOT_VERIFIED = 8,
};
