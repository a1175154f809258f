#pragma once

#include <QStringList>

#include <cstdio>

// The two commands of parcel2-host:
//   parcel2-host publish --catalog DIR --product FILE --name NAME --number N
//       [--en-name NAME] [--file-name NAME] [--id ID]
//       [--part-size BYTES | --parts N]
//       [--install "CMD|PARAMS|WINTYPE|WAIT"]... [--message "N|TEXT"]...
//       [--purchase "NUMBER:KEY"]...
//       [--signing-key KEY.pem [--serial N] [--expires-days D]]
//   parcel2-host keygen DIR
//   parcel2-host serve CATALOG [--bind ADDRESS] [--port N] [--quiet]
//       [--fault RULE]... [--throttle BYTES_PER_SECOND] [--accel-redirect PREFIX]
//   parcel2-host --help     (the usage on standard output, exit 0)
// Returns the process's exit code.
int RunHostCommand(const QStringList& arguments, std::FILE* out, std::FILE* err);

// The serve command stops on SIGINT or SIGTERM; it blocks both before any
// thread starts so that only the waiting main thread receives them.
int RunHostKeygen(const QStringList& arguments, std::FILE* out, std::FILE* err);
int RunHostPublish(const QStringList& arguments, std::FILE* out, std::FILE* err);
int RunHostServe(const QStringList& arguments, std::FILE* out, std::FILE* err);
