#pragma once

#include "install/VolumeTable.h"

#include <QString>

#include <cstdint>
#include <vector>

class CLogWriter;

// The disk utilities of the save-location pages. A fixed volume plays the
// part of a fixed drive; the pages compare volumes where they would compare
// drive letters. All ask the installed disk environment.

// Bytes the current user may still write on the volume of an absolute
// path (a path that does not exist yet counts on its nearest existing
// parent); 0 when unknown, for an empty or a relative path, and for a path
// under the media folders whose medium is not mounted.
std::uint64_t GetDriveFreeSpace(CLogWriter& logger, const QString& path);

// The fixed volumes in the order of their mount points.
std::vector<CVolume> GetFixedVolumes();

// The mount point of the volume that holds a path; empty when none does.
QString VolumeOf(const QString& path);

// The documents folder; the desktop folder when it is not set or missing;
// possibly empty.
QString GetDocumentsFolderPath();

// The desktop folder when it is set and exists, otherwise empty.
QString GetDesktopFolderPath();
