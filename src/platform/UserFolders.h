#pragma once

#include <QString>

// The user's temporary folder, where the list file and the log live. It must
// survive a reboot, so it is $TMPDIR when set, else $XDG_CACHE_HOME, else
// ~/.cache; the result always ends with "/".
QString GetUserTempFolder();
