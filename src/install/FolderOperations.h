#pragma once

#include <QString>

// The plain folder operations of the save-location pages.

constexpr int MAX_PATH = 260;  // UTF-16 units including the terminator
constexpr unsigned FILE_ATTRIBUTE_READONLY = 0x01;
constexpr unsigned FILE_ATTRIBUTE_DIRECTORY = 0x10;

struct CFileStatus {
  unsigned Attributes = 0;
  QString FullName;  // absolute, "." and ".." resolved
};

// The absolute form of a path with "." and ".." resolved and repeated or
// trailing separators dropped; a relative path is taken from the current
// folder. ".." at the root stays at the root. Empty for an empty path.
QString FullyQualifiedPath(const QString& path);

// Fails when the path does not exist. The full name is filled in first, so
// it is there for a path that does not exist yet too; a path (or full name)
// of MAX_PATH units or more is refused without one.
bool GetFileStatus(const QString& path, CFileStatus& status);

// Creates the last component only: the parent must exist.
bool CreateFolder(const QString& path);

// Removes the folder only when it is empty.
bool RemoveFolder(const QString& path);
