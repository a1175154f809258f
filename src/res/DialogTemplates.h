#pragma once

#include "platform/DialogTemplate.h"

// The program's dialog templates: the page templates, the frame and the
// purchase dialog exist in English and Japanese; the about box once.
enum ETemplateId {
  IDD_ABOUTBOX = 100,
  IDD_PARCEL2_DIALOG = 102,
  IDD_WELCOME = 135,
  IDD_CONFIRM_SOFTWARE = 136,
  IDD_DOWNLOADING = 137,
  IDD_DOWNLOAD_COMPLETE = 138,
  IDD_SELECT_FOLDER = 139,
  IDD_ACQUIRE_INFO = 142,
  IDD_FINISH_MESSAGE = 143,
  IDD_VERIFY = 144,
  IDD_INSTALL = 145,
  IDD_CONFIRM_FOLDER = 146,
  IDD_SELECT_DRIVE = 147,
  IDD_DOWNLOAD_ERROR = 148,
  IDD_CONNECT_ERROR = 149,
  IDD_PURCHASE = 151,
};

// Control ids shared by the frame and the pages.
enum EControlId {
  IDC_OK = 1,
  IDC_CANCEL = 2,
  IDC_HEADER = 1000,
  IDC_TITLE = 1001,
  IDC_TITLE_BAND = 1002,
  IDC_PAGE_AREA = 1004,
  IDC_MESSAGE = 1005,
  IDC_PROGRESS = 1006,
  IDC_BACK = 1007,
  IDC_ERROR_TEST = 1008,
  IDC_BROWSE = 1008,
  IDC_FOLDER = 1009,
  IDC_PRODUCT_NAME = 1010,
  IDC_REMAINING_TIME = 1011,
  IDC_REQUIRED_SPACE = 1012,
  IDC_FREE_SPACE = 1013,
  IDC_SAVED_FILE = 1014,
  IDC_LOG = 1015,
  IDC_DRIVE_LIST = 1016,
  IDC_PROGRESS_BYTES = 1017,
  IDC_PURCHASE_NO = 1020,
  IDC_PURCHASE_KEY = 1021,
  IDC_SHOW_KEY = 1022,
  IDC_ENTER_PURCHASE = 1023,
  IDC_PURCHASE_PROBLEM = 1024,
};

// The template in the current user-interface language (Japanese for 1041,
// English otherwise), or nullptr for an unknown id.
const CDialogTemplate* FindDialogTemplate(int id);
const CDialogTemplate* FindDialogTemplate(int id, int language);
