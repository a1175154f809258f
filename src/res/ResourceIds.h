#pragma once

#include "res/DialogTemplates.h"

// Commands of the pages' accelerators.
enum ECommandId {
  ID_LOG_TOGGLE = 32771,
  ID_NO_ACTION = 32773,
};

// Items of the frame's window menu (offered as its context menu).
enum EMenuId {
  IDM_ABOUTBOX = 16,
  IDM_REACQUIRE = 32,
};

// String ids of the wizard's titles.
enum ETitleId {
  IDS_TITLE_WELCOME = 150,
  IDS_TITLE_CONFIRM_SOFTWARE = 152,
  IDS_TITLE_DOWNLOADING = 153,
  IDS_TITLE_DOWNLOAD_COMPLETE = 154,
  IDS_TITLE_SELECT_FOLDER = 155,
  IDS_TITLE_DOWNLOAD_ERROR = 156,
  IDS_TITLE_CONNECT_ERROR = 157,
  IDS_TITLE_ACQUIRE_INFO = 158,
  IDS_TITLE_VERIFY = 160,
  IDS_TITLE_INSTALL = 161,
  IDS_TITLE_CONFIRM_FOLDER = 162,
  IDS_TITLE_SELECT_DRIVE = 163,
  IDS_TITLE_MESSAGE = 171,
  IDS_TITLE_VERSION_ERROR = 173,
  IDS_TITLE_LIST_NOT_VERIFIED = 174,
  IDS_TITLE_FOLDER_BUSY = 175,
};

// The connection error page's text when the host answered with an error
// message of its own (%s is that message), or when its certificate could
// not be trusted (%s is why); the text of the page for a list whose
// signature did not hold (%s is one of the reasons that follow it).
enum EPageTextId {
  IDS_CONNECT_ERROR_HOST_MESSAGE = 211,
  IDS_CONNECT_ERROR_CERTIFICATE = 212,
  IDS_LIST_NOT_VERIFIED = 221,
  IDS_LIST_NOT_SIGNED = 222,
  IDS_LIST_NO_MATCH = 223,
  IDS_LIST_UNKNOWN_KEY = 224,
  IDS_LIST_EXPIRED = 225,
  IDS_LIST_OLDER = 226,
  // The download error page's text when a part could not be written for
  // want of room.
  IDS_DOWNLOAD_ERROR_DISK_FULL = 233,
};

// The purchase dialog, the question before a link's unknown host and the
// refusal of a link that cannot be used: %s of IDS_LINK_REFUSED is one of
// the reasons that follow it.
enum EPurchaseTextId {
  IDS_DOWNLOAD_FROM = 213,
  IDS_LINK_REFUSED = 214,
  IDS_LINK_NOT_PURCHASE = 215,
  IDS_LINK_BAD_ENCODING = 216,
  IDS_LINK_BAD_NUMBER = 217,
  IDS_LINK_NO_KEY = 218,
  IDS_LINK_UNKNOWN_PART = 219,
  IDS_LINK_BAD_HOST = 220,
  // Why the purchase dialog does not take what is typed yet.
  IDS_PURCHASE_NUMBER_DIGITS = 227,
  IDS_PURCHASE_KEY_SPACE = 228,
};

// The download page's bytes line, without and with the speed.
enum EProgressTextId {
  IDS_BYTES_OF = 240,
  IDS_BYTES_OF_AT = 241,
};

// The window mode's desktop texts: the connection error page's button that
// asks for the purchase again, the notifications when the window is not in
// sight, and the answer to a second start while a download runs.
enum EDesktopTextId {
  IDS_ENTER_PURCHASE = 242,
  IDS_NOTIFY_SAVED = 243,
  IDS_NOTIFY_INSTALLING = 244,
  IDS_ALREADY_RUNNING = 245,
};

// The page shown instead of a download into a working folder that another
// run holds (%s is the folder).
enum EFolderTextId {
  IDS_FOLDER_BUSY = 246,
};
