#pragma once

#include "install/VolumeTable.h"

#include <QString>

#include <cstdint>

class CDialogWindow;

// What the three save-location pages share: the space a folder needs, the
// default folder on a volume, the check that a folder can be recorded, and
// their message boxes. A fixed volume plays the part of a drive; two
// folders are on the same drive when the same volume holds them.

// The default folder on a volume: the product's folder in its base folder.
QString DefaultSaveFolder(const CVolume& volume);

// Twice the product's size; 0 (with a FATAL line) without entry 0.
std::uint64_t GetProductSpace();

// A folder on the previous folder's volume needs what is still missing
// there; any other folder needs room for the parts and the product anew.
std::uint64_t GetRequiredSpaceFor(const QString& folder);

// True when both folders lie on the same known volume.
bool IsOnSameVolume(const QString& a, const QString& b);

// A folder the list file can record and the program can write to: absolute,
// shorter than MAX_PATH, and free of the list's field delimiters (a comma,
// CR or LF would cut the TD record, and the download could never resume).
bool IsRecordableFolder(const QString& folder);
bool HasListDelimiter(const QString& text);

// Next on the confirmation and drive pages: equal space is enough there.
// False, with message 180 or 183 shown, when the folder has no room or
// cannot be recorded.
bool AcceptFolderOnNext(const CDialogWindow& page, const QString& folder, std::uint64_t free, std::uint64_t required);

// A box owned by the page with the save pages' caption.
int ShowSaveMessage(const CDialogWindow& page, int textId, unsigned type);

// The box types of the save pages.
constexpr unsigned SAVE_WARNING_QUESTION = 0x34;  // MB_YESNO | MB_ICONEXCLAMATION
constexpr unsigned SAVE_QUESTION = 0x24;          // MB_YESNO | MB_ICONQUESTION
constexpr unsigned SAVE_ERROR = 0x10;             // MB_OK | MB_ICONHAND
