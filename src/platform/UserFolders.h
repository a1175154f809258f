#pragma once

#include <QString>

// The user's temporary folder, where the list file and the log live. It must
// survive a reboot, so it is $TMPDIR when set, else $XDG_CACHE_HOME, else
// ~/.cache; the result always ends with "/".
QString GetUserTempFolder();

// Creates the user's temporary folder with its parents (0700 for what it
// creates). False, with the reason in error, when it is not a folder
// afterwards.
bool CreateUserTempFolder(QString* error = nullptr);

// Creates a folder with its parents, 0700 for what it creates; false, with
// the reason in error, when it is not a folder afterwards.
bool CreatePrivateFolder(const QString& folder, QString* error = nullptr);
