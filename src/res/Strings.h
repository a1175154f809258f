#pragma once

#include "platform/TextFormat.h"

#include <QString>

// String ids used by more than one piece of the program.
enum EStringId {
  IDS_ABOUTBOX = 101,
  IDS_SOCKETS_INIT_FAILED = 103,
  IDS_CANCEL_QUESTION = 105,
  IDS_CANCEL_CAPTION = 106,
  IDS_REACQUIRE = 110,
  IDS_NOT_ENOUGH_SPACE = 180,
  IDS_SAVE_CAPTION = 181,
  IDS_NOT_A_FOLDER = 183,
  IDS_FOLDER_DIFFERS = 184,
  IDS_ABOUT_MINUTES = 187,
  IDS_ABOUT_SECONDS = 188,
  IDS_ABOUT_HOURS_MINUTES = 189,
  IDS_LIST_FILE_NAME = 194,
  IDS_VERSION_ERROR = 195,
  IDS_CALCULATING = 196,
  IDS_CREATE_FOLDER = 197,
  IDS_DEFAULT_SAVE_FOLDER = 198,
  IDS_CHANGE_FOLDER = 199,
  IDS_WRITE_FAILED = 200,
  IDS_BROWSE_TITLE = 209,
  IDS_DRIVE_ENTRY = 210,
};

// The text of a string id in the current user-interface language (Japanese
// for 1041, English otherwise); an unknown id gives an empty text.
QString LoadString(int id);
QString LoadString(int id, int language);

template <typename... Args>
QString FormatString(int id, const Args&... args) {
  return FormatText(LoadString(id), args...);
}
