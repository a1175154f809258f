#include "res/DialogTemplates.h"

#include "platform/UiLanguage.h"

namespace {

using CTemplateTable = std::vector<CDialogTemplate>;

// Every page is 333 by 122 units in an 8-point font, with a hidden frame
// control over its whole area.
CDialogTemplate Page(int id, std::vector<CControlTemplate> controls) {
  controls.push_back({IDC_PAGE_AREA, CTRL_FRAME, QRect(0, 0, 333, 122), true, false, false, false, false, QString()});
  return {id, QSize(333, 122), QStringLiteral("MS Shell Dlg"), 8, QString(), std::move(controls)};
}

// The frame has no visible buttons of its own: every page brings its own.
// Its caption is the product's, as the message boxes have it.
CDialogTemplate Frame(const QString& cancelText, const QString& caption) {
  return {IDD_PARCEL2_DIALOG, QSize(286, 183), QStringLiteral("MS UI Gothic"), 9, caption, {
      {IDC_HEADER, CTRL_FRAME, QRect(0, 0, 286, 31), false, false, false, false, false, QString()},
      {IDC_TITLE_BAND, CTRL_WHITE_RECT, QRect(0, 31, 286, 19), true, false, false, false, false, QString()},
      {IDC_TITLE, CTRL_TEXT, QRect(14, 36, 264, 11), true, false, false, false, false, QString()},
      {IDC_STATIC, CTRL_SEPARATOR, QRect(0, 50, 286, 1), false, false, false, false, true, QString()},
      {IDC_PAGE_AREA, CTRL_FRAME, QRect(0, 50, 286, 133), true, false, false, false, false, QString()},
      {IDC_STATIC, CTRL_SEPARATOR, QRect(0, 160, 286, 1), false, false, false, false, true, QString()},
      {IDC_LOG, CTRL_TEXT, QRect(2, 165, 21, 14), false, false, false, true, true, QStringLiteral("LOG")},
      {IDC_OK, CTRL_BUTTON, QRect(229, 165, 50, 14), true, true, true, false, false, QStringLiteral("OK")},
      {IDC_CANCEL, CTRL_BUTTON, QRect(176, 165, 50, 14), true, false, false, false, false, cancelText},
      {IDC_BACK, CTRL_BUTTON, QRect(123, 165, 50, 14), true, true, false, false, false, QStringLiteral("OK2")},
  }};
}

struct CPurchaseTexts {
  const char16_t* Caption;
  const char16_t* Intro;
  const char16_t* Number;
  const char16_t* Key;
  const char16_t* Show;
  const char16_t* Cancel;
};

// Asked before the welcome page when the purchase is not on the command
// line: in the frame's units, with the frame's header, so it looks like the
// wizard it opens.
CDialogTemplate PurchaseDialog(const CPurchaseTexts& texts) {
  return {IDD_PURCHASE, QSize(286, 136), QStringLiteral("MS UI Gothic"), 9, QString::fromUtf16(texts.Caption), {
      {IDC_HEADER, CTRL_FRAME, QRect(0, 0, 286, 31), false, false, false, false, false, QString()},
      {IDC_STATIC, CTRL_TEXT, QRect(14, 35, 262, 22), false, false, false, false, false, QString::fromUtf16(texts.Intro)},
      {IDC_STATIC, CTRL_TEXT, QRect(14, 64, 76, 10), false, false, false, false, false, QString::fromUtf16(texts.Number)},
      {IDC_PURCHASE_NO, CTRL_NUMBER_EDIT, QRect(92, 62, 90, 13), false, false, false, false, false, QString()},
      {IDC_STATIC, CTRL_TEXT, QRect(14, 82, 76, 10), false, false, false, false, false, QString::fromUtf16(texts.Key)},
      {IDC_PURCHASE_KEY, CTRL_PASSWORD_EDIT, QRect(92, 80, 130, 13), false, false, false, false, false, QString()},
      {IDC_SHOW_KEY, CTRL_CHECKBOX, QRect(228, 81, 52, 11), false, false, false, false, false, QString::fromUtf16(texts.Show)},
      {IDC_PURCHASE_PROBLEM, CTRL_TEXT, QRect(92, 96, 188, 12), false, false, false, false, false, QString()},
      {IDC_STATIC, CTRL_SEPARATOR, QRect(0, 110, 286, 1), false, false, false, false, true, QString()},
      {IDC_OK, CTRL_BUTTON, QRect(176, 116, 50, 14), false, false, true, false, false, QStringLiteral("OK")},
      {IDC_CANCEL, CTRL_BUTTON, QRect(229, 116, 50, 14), false, false, false, false, false, QString::fromUtf16(texts.Cancel)},
  }};
}

// The copyright line takes the box's whole width, above the button.
CDialogTemplate AboutBox() {
  return {IDD_ABOUTBOX, QSize(240, 70), QStringLiteral("MS UI Gothic"), 9, QStringLiteral("QUILLMAR Software Downloader "), {
      {IDC_STATIC, CTRL_ICON, QRect(14, 14, 21, 20), false, false, false, false, false, QString()},
      {IDC_STATIC, CTRL_TEXT, QRect(42, 10, 190, 8), false, false, false, false, false, QStringLiteral("QUILLMAR Software Downloader ")},
      {IDC_STATIC, CTRL_TEXT, QRect(42, 22, 190, 8), false, false, false, false, false, QStringLiteral("Version 2.01")},
      {IDC_STATIC, CTRL_TEXT, QRect(42, 34, 190, 10), false, false, false, false, false, QStringLiteral("Copyright (C) QUILLMAR. All rights reserved.")},
      {IDC_OK, CTRL_BUTTON, QRect(183, 50, 50, 14), false, false, true, false, false, QStringLiteral("OK")},
  }};
}

CTemplateTable EnglishTemplates() {
  CTemplateTable table;
  table.push_back(Frame(QStringLiteral("Cancel"), QStringLiteral("QUILLMAR Software Download")));
  table.push_back(PurchaseDialog({u"QUILLMAR Software Download",
                                  u"Enter the purchase number and the purchase key that you received with your purchase.",
                                  u"Purchase number:", u"Purchase key:", u"&show", u"Cancel"}));
  // 135: welcome and messages 1 to 5
  table.push_back(Page(135, {
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"Cancel")},
      {1007, CTRL_BUTTON, QRect(83, 106, 67, 16), true, true, false, false, false, QString::fromUtf16(u"OK2")},
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"&Next >")},
      {1005, CTRL_TEXT, QRect(15, 9, 304, 88), false, false, false, false, false, QString::fromUtf16(u"Thank you for purchasing Quillmar products.\n\nLet us help you in downloading the software.\nPlease follow the instructions on screen to download. \n\nClick [Next] to download. \nClick [Cancel] to exit")},
  }));
  // 136: software confirmation
  table.push_back(Page(136, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"&Next >")},
      {2, CTRL_BUTTON, QRect(103, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"Cancel")},
      {1007, CTRL_BUTTON, QRect(183, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"< &Back")},
      {1005, CTRL_TEXT, QRect(16, 14, 307, 13), false, false, false, false, false, QString::fromUtf16(u"Download the following software.")},
      {1006, CTRL_TEXT, QRect(17, 67, 303, 12), false, false, false, false, false, QString::fromUtf16(u"Click [Next] to confirm.")},
      {1010, CTRL_TEXT, QRect(36, 36, 264, 21), false, false, false, true, false, QString::fromUtf16(u"********************")},
      {1008, CTRL_TEXT, QRect(17, 79, 303, 14), false, false, false, false, false, QString::fromUtf16(u"Click [Cancel] to exit.")},
  }));
  // 137: download progress
  table.push_back(Page(137, {
      {1006, CTRL_PROGRESS, QRect(24, 63, 289, 9), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(21, 8, 279, 13), false, false, false, false, false, QString::fromUtf16(u"Downloading.  Please wait.")},
      {IDC_STATIC, CTRL_TEXT, QRect(20, 24, 135, 10), false, false, false, false, false, QString::fromUtf16(u"Downloading software:")},
      {1010, CTRL_TEXT, QRect(36, 38, 264, 20), false, false, false, false, false, QString::fromUtf16(u"********************")},
      {IDC_STATIC, CTRL_TEXT, QRect(85, 81, 120, 10), false, false, false, false, false, QString::fromUtf16(u"Estimated remaining time : ")},
      {1011, CTRL_TEXT, QRect(206, 81, 115, 10), false, false, false, false, false, QString::fromUtf16(u"About %d hours and %d minutes")},
      {IDC_PROGRESS_BYTES, CTRL_TEXT, QRect(24, 93, 289, 10), false, false, false, true, false, QString()},
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), true, true, true, false, false, QString::fromUtf16(u"&Next >")},
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"Cancel")},
      {1008, CTRL_BUTTON, QRect(41, 106, 60, 14), true, true, false, false, false, QString::fromUtf16(u"Error-Test")},
  }));
  // 138: download complete
  table.push_back(Page(138, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"&Next >")},
      {1007, CTRL_BUTTON, QRect(169, 106, 67, 16), true, true, false, false, false, QString::fromUtf16(u"&Finish")},
      {IDC_STATIC, CTRL_TEXT, QRect(12, 7, 308, 49), false, false, false, false, false, QString::fromUtf16(u"Download complete.\n\nThe download file was saved to the following folder.\nKeep this file to install the software.")},
      {1014, CTRL_EDIT, QRect(15, 62, 305, 30), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_FRAME, QRect(12, 59, 311, 37), false, false, false, false, false, QString::fromUtf16(u"")},
  }));
  // 139: folder selection
  table.push_back(Page(139, {
      {1009, CTRL_EDIT, QRect(20, 32, 240, 14), false, false, false, false, false, QString::fromUtf16(u"")},
      {1008, CTRL_BUTTON, QRect(264, 32, 52, 15), false, false, false, false, false, QString::fromUtf16(u"&Browse")},
      {2, CTRL_BUTTON, QRect(169, 105, 67, 16), false, false, false, false, false, QString::fromUtf16(u"Cancel")},
      {IDC_STATIC, CTRL_TEXT, QRect(19, 10, 300, 15), false, false, false, false, false, QString::fromUtf16(u"Select a folder to save the download file.")},
      {IDC_STATIC, CTRL_TEXT, QRect(20, 55, 107, 10), false, false, false, false, false, QString::fromUtf16(u"Disk Space Requirements:")},
      {1012, CTRL_TEXT, QRect(129, 55, 48, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      // Right of 1012: a size such as "1.36 GB" runs past x=159.
      {IDC_STATIC, CTRL_TEXT, QRect(195, 55, 59, 10), false, false, false, false, false, QString::fromUtf16(u"Free Space:")},
      {1013, CTRL_TEXT, QRect(257, 55, 69, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(20, 78, 300, 13), false, false, false, false, false, QString::fromUtf16(u"Click [Next] to start the download.")},
      {1, CTRL_BUTTON, QRect(255, 105, 67, 16), false, true, true, false, false, QString::fromUtf16(u"&Next >")},
  }));
  // 142: acquisition
  table.push_back(Page(142, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), true, true, true, false, false, QString::fromUtf16(u"&Next >")},
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"Cancel")},
      {1007, CTRL_TEXT, QRect(11, 29, 307, 34), false, false, false, false, false, QString::fromUtf16(u"Acquiring information require for download.\n\nPlease wait.")},
      {IDC_PROGRESS, CTRL_PROGRESS, QRect(24, 72, 289, 9), false, false, false, false, false, QString()},
      {1008, CTRL_BUTTON, QRect(28, 105, 60, 13), true, true, false, false, false, QString::fromUtf16(u"Error-Test")},
  }));
  // 143: messages 6 and 9, version error
  table.push_back(Page(143, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"&Finish")},
      {1005, CTRL_TEXT, QRect(15, 8, 305, 90), false, false, false, false, false, QString::fromUtf16(u"")},
  }));
  // 144: verification
  table.push_back(Page(144, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), true, false, true, false, false, QString::fromUtf16(u"&Next >")},
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, true, false, false, false, QString::fromUtf16(u"Cancel")},
      {1006, CTRL_PROGRESS, QRect(24, 63, 289, 9), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(21, 22, 293, 13), false, false, false, false, false, QString::fromUtf16(u"Verifying the downloaded file. Please wait.")},
      {IDC_STATIC, CTRL_TEXT, QRect(17, 44, 135, 10), true, false, false, false, false, QString::fromUtf16(u"Downloading software:")},
      {1010, CTRL_TEXT, QRect(36, 37, 264, 8), true, false, false, false, false, QString::fromUtf16(u"********************")},
      {IDC_STATIC, CTRL_TEXT, QRect(70, 81, 135, 10), true, false, false, false, false, QString::fromUtf16(u"Estimated remaining time : ")},
      {1011, CTRL_TEXT, QRect(206, 81, 120, 10), true, false, false, false, false, QString::fromUtf16(u"About %d hours and %d minutes")},
      {1008, CTRL_BUTTON, QRect(41, 103, 60, 14), true, false, false, false, false, QString::fromUtf16(u"Error-Test")},
  }));
  // 145: install
  table.push_back(Page(145, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"&Install")},
      {1007, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"&Finish")},
      {IDC_STATIC, CTRL_TEXT, QRect(13, 10, 308, 81), false, false, false, false, false, QString::fromUtf16(u"This will install downloaded software to your computer. \n\nClick [Install] to start the installation.\nClick [Finish] to exit.\n\nTo install later, execute the downloaded file, or run this download program again.")},
  }));
  // 146: folder confirmation
  table.push_back(Page(146, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"&Next >")},
      // Four units between the buttons, as the other pages have them.
      {2, CTRL_BUTTON, QRect(91, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"Cancel")},
      {1007, CTRL_BUTTON, QRect(162, 106, 89, 16), false, false, false, false, false, QString::fromUtf16(u"&Change Folder")},
      {1005, CTRL_TEXT, QRect(16, 9, 307, 12), false, false, false, false, false, QString::fromUtf16(u"The download file will be saved to the following folder.")},
      {1006, CTRL_TEXT, QRect(16, 67, 303, 12), false, false, false, false, false, QString::fromUtf16(u"Click [Next] to continue.")},
      {1009, CTRL_TEXT, QRect(31, 30, 269, 15), false, false, false, false, false, QString::fromUtf16(u"********************")},
      {1008, CTRL_TEXT, QRect(15, 81, 303, 12), false, false, false, false, false, QString::fromUtf16(u"To change the folder to save, click [Change Folder].")},
      {IDC_STATIC, CTRL_TEXT, QRect(20, 51, 118, 10), false, false, false, false, false, QString::fromUtf16(u"Disk Space Requirements:")},
      {1012, CTRL_TEXT, QRect(141, 51, 48, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      // Right of 1012: a size such as "1.36 GB" runs past x=159.
      {IDC_STATIC, CTRL_TEXT, QRect(195, 51, 59, 10), false, false, false, false, false, QString::fromUtf16(u"Free Space:")},
      {1013, CTRL_TEXT, QRect(257, 51, 69, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_FRAME, QRect(21, 25, 287, 21), false, false, false, false, false, QString::fromUtf16(u"")},
  }));
  // 147: drive selection
  table.push_back(Page(147, {
      {IDC_STATIC, CTRL_TEXT, QRect(19, 9, 300, 12), false, false, false, false, false, QString::fromUtf16(u"Select a drive to save the download file.")},
      {IDC_STATIC, CTRL_TEXT, QRect(20, 50, 120, 10), false, false, false, false, false, QString::fromUtf16(u"Disk Space Requirements:")},
      {1012, CTRL_TEXT, QRect(143, 50, 48, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      // Right of 1012: a size such as "1.36 GB" runs past x=159.
      {IDC_STATIC, CTRL_TEXT, QRect(195, 50, 59, 10), false, false, false, false, false, QString::fromUtf16(u"Free Space:")},
      {1013, CTRL_TEXT, QRect(257, 50, 69, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(19, 82, 300, 12), false, false, false, false, false, QString::fromUtf16(u"Click [Next] to start download.")},
      {1016, CTRL_DROPDOWN, QRect(149, 27, 76, 77), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(21, 63, 85, 9), false, false, false, false, false, QString::fromUtf16(u"Folder to save:")},
      {1009, CTRL_TEXT, QRect(115, 63, 199, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {1, CTRL_BUTTON, QRect(255, 105, 67, 16), false, false, true, false, false, QString::fromUtf16(u"&Next >")},
      {2, CTRL_BUTTON, QRect(91, 105, 67, 16), false, false, false, false, false, QString::fromUtf16(u"Cancel")},
      {1007, CTRL_BUTTON, QRect(162, 105, 89, 16), true, false, false, false, false, QString::fromUtf16(u"Change &Folder")},
      {IDC_STATIC, CTRL_TEXT, QRect(80, 30, 63, 10), false, false, false, false, false, QString::fromUtf16(u"Drive:")},
  }));
  // 148: download error
  table.push_back(Page(148, {
      {1005, CTRL_TEXT, QRect(16, 9, 303, 87), false, false, false, false, false, QString::fromUtf16(u"Failed to download.\nThe server may be busy.\nPlease try again later.\n\nIf a file error is occurred, check the free space on the drive where the download file was saving.\n\nClick [Try Again] to restart download.\nClick [Cancel] to exit.")},
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"&Try Again >")},
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"Cancel")},
  }));
  // 149: connection error
  table.push_back(Page(149, {
      {1005, CTRL_TEXT, QRect(17, 6, 297, 96), false, false, false, false, false, QString::fromUtf16(u"Unable to connect to the download server.\n\nThere may be a problem with internet connection.\nCheck your internet connection.\nThe server may be busy.\nPlease try again later.\n\nClick [Try Again] to restart download.\nClick [Cancel] to exit")},
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"&Try Again >")},
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"Cancel")},
      // Shown by the window mode when the host turned the purchase down.
      {IDC_ENTER_PURCHASE, CTRL_BUTTON, QRect(60, 106, 105, 16), true, false, false, false, false, QString::fromUtf16(u"&Enter Purchase...")},
  }));

  return table;
}

CTemplateTable JapaneseTemplates() {
  CTemplateTable table;
  table.push_back(Frame(QString::fromUtf16(u"ｷｬﾝｾﾙ"), QString::fromUtf16(u"QUILLMAR ソフトウェア・ダウンロード")));
  table.push_back(PurchaseDialog({u"QUILLMAR ソフトウェア・ダウンロード",
                                  u"ご購入の際にお受け取りになった購入番号と購入キーを入力してください。",
                                  u"購入番号：", u"購入キー：", u"表示(&S)", u"ｷｬﾝｾﾙ"}));

  // 135: welcome and messages 1 to 5
  table.push_back(Page(135, {
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"ｷｬﾝｾﾙ")},
      {1007, CTRL_BUTTON, QRect(83, 106, 67, 16), true, true, false, false, false, QString::fromUtf16(u"OK2")},
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"次へ(&N) >")},
      {1005, CTRL_TEXT, QRect(15, 9, 304, 88), false, false, false, false, false, QString::fromUtf16(u"クイルマー製品をお買い求めいただき、誠にありがとうございます。\n\nお買い求めいただいたソフトウェアのダウンロードを開始します。\n画面の指示に従って操作をしていただくことでソフトウェアをダウンロードすることができます。\n\n「次へ」ボタンをクリックするとダウンロードの手順を開始します。\n「キャンセル」ボタンをクリックするとダウンロードせずに終了します。")},
  }));
  // 136: software confirmation
  table.push_back(Page(136, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"次へ(&N) >")},
      {2, CTRL_BUTTON, QRect(103, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"ｷｬﾝｾﾙ")},
      {1007, CTRL_BUTTON, QRect(183, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"< 戻る(&B)")},
      {1005, CTRL_TEXT, QRect(16, 14, 307, 13), false, false, false, false, false, QString::fromUtf16(u"下記のソフトウェアをダウンロードします。")},
      {1006, CTRL_TEXT, QRect(17, 67, 303, 12), false, false, false, false, false, QString::fromUtf16(u"ダウンロードするソフトウェアが正しければ「次へ」をクリックしてください。")},
      {1010, CTRL_TEXT, QRect(36, 36, 264, 21), false, false, false, true, false, QString::fromUtf16(u"********************")},
      {1008, CTRL_TEXT, QRect(17, 79, 303, 14), false, false, false, false, false, QString::fromUtf16(u"「ｷｬﾝｾﾙ」をクリックするとダウンロードをせずに終了します。")},
  }));
  // 137: download progress
  table.push_back(Page(137, {
      {1006, CTRL_PROGRESS, QRect(24, 63, 289, 9), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(21, 8, 279, 13), false, false, false, false, false, QString::fromUtf16(u"ソフトウェアをダウンロードしています。  しばらくお待ちください。")},
      {IDC_STATIC, CTRL_TEXT, QRect(20, 24, 135, 10), false, false, false, false, false, QString::fromUtf16(u"ダウンロード中のソフトウェア：")},
      {1010, CTRL_TEXT, QRect(36, 38, 264, 20), false, false, false, false, false, QString::fromUtf16(u"********************")},
      {IDC_STATIC, CTRL_TEXT, QRect(121, 81, 120, 10), false, false, false, false, false, QString::fromUtf16(u"ダウンロード推定残り時間：")},
      {1011, CTRL_TEXT, QRect(249, 81, 77, 10), false, false, false, false, false, QString::fromUtf16(u"000分")},
      {IDC_PROGRESS_BYTES, CTRL_TEXT, QRect(24, 93, 289, 10), false, false, false, true, false, QString()},
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), true, true, true, false, false, QString::fromUtf16(u"次へ(&N) >")},
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"ｷｬﾝｾﾙ")},
      {1008, CTRL_BUTTON, QRect(41, 106, 60, 14), true, true, false, false, false, QString::fromUtf16(u"エラーテスト")},
  }));
  // 138: download complete
  table.push_back(Page(138, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"次へ(&N) >")},
      {1007, CTRL_BUTTON, QRect(169, 106, 67, 16), true, true, false, false, false, QString::fromUtf16(u"終了(&E)")},
      {IDC_STATIC, CTRL_TEXT, QRect(12, 7, 308, 49), false, false, false, false, false, QString::fromUtf16(u"ソフトウェアのダウンロードが終了しました。\n\nダウンロードしたファイルは次の場所に保存しました。\nこのファイルはソフトウェアのインストールに必要ですので、大切に保管してください。")},
      {1014, CTRL_EDIT, QRect(15, 62, 305, 30), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_FRAME, QRect(12, 59, 311, 37), false, false, false, false, false, QString::fromUtf16(u"")},
  }));
  // 139: folder selection
  table.push_back(Page(139, {
      {1009, CTRL_EDIT, QRect(20, 32, 252, 14), false, false, false, false, false, QString::fromUtf16(u"")},
      {1008, CTRL_BUTTON, QRect(273, 32, 43, 15), false, false, false, false, false, QString::fromUtf16(u"参照(&R)")},
      {2, CTRL_BUTTON, QRect(169, 105, 67, 16), false, false, false, false, false, QString::fromUtf16(u"ｷｬﾝｾﾙ")},
      {IDC_STATIC, CTRL_TEXT, QRect(19, 10, 300, 15), false, false, false, false, false, QString::fromUtf16(u"ダウンロードしたファイルを保存するフォルダを指定してください。")},
      {IDC_STATIC, CTRL_TEXT, QRect(20, 55, 80, 10), false, false, false, false, false, QString::fromUtf16(u"必要な空き容量：")},
      {1012, CTRL_TEXT, QRect(103, 55, 48, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(159, 55, 95, 10), false, false, false, false, false, QString::fromUtf16(u"ドライブの空き容量：")},
      {1013, CTRL_TEXT, QRect(257, 55, 69, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(20, 78, 300, 13), false, false, false, false, false, QString::fromUtf16(u"「次へ」をクリックするとダウンロードを開始します。")},
      {1, CTRL_BUTTON, QRect(255, 105, 67, 16), false, true, true, false, false, QString::fromUtf16(u"次へ(&N) >")},
  }));
  // 142: acquisition
  table.push_back(Page(142, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), true, true, true, false, false, QString::fromUtf16(u"次へ(&N) >")},
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"ｷｬﾝｾﾙ")},
      {1007, CTRL_TEXT, QRect(11, 29, 307, 34), false, false, false, false, false, QString::fromUtf16(u"ダウンロードに必要な情報を取得中です。\n\nしばらくお待ちください。")},
      {IDC_PROGRESS, CTRL_PROGRESS, QRect(24, 72, 289, 9), false, false, false, false, false, QString()},
      {1008, CTRL_BUTTON, QRect(28, 105, 60, 13), true, true, false, false, false, QString::fromUtf16(u"エラーテスト")},
  }));
  // 143: messages 6 and 9, version error
  table.push_back(Page(143, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"終了(&E)")},
      {1005, CTRL_TEXT, QRect(15, 8, 305, 90), false, false, false, false, false, QString::fromUtf16(u"")},
  }));
  // 144: verification
  table.push_back(Page(144, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), true, false, true, false, false, QString::fromUtf16(u"次へ(&N) >")},
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, true, false, false, false, QString::fromUtf16(u"ｷｬﾝｾﾙ")},
      {1006, CTRL_PROGRESS, QRect(24, 63, 289, 9), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(21, 22, 293, 13), false, false, false, false, false, QString::fromUtf16(u"ダウンロード済みファイルを確認しています。  しばらくお待ちください。")},
      {IDC_STATIC, CTRL_TEXT, QRect(17, 44, 135, 10), true, false, false, false, false, QString::fromUtf16(u"ダウンロード中のソフトウェア：")},
      {1010, CTRL_TEXT, QRect(36, 37, 264, 8), true, false, false, false, false, QString::fromUtf16(u"********************")},
      {IDC_STATIC, CTRL_TEXT, QRect(140, 81, 135, 10), true, false, false, false, false, QString::fromUtf16(u"推定残り時間：約")},
      {1011, CTRL_TEXT, QRect(277, 81, 49, 10), true, false, false, false, false, QString::fromUtf16(u"100分")},
      {1008, CTRL_BUTTON, QRect(41, 103, 60, 14), true, false, false, false, false, QString::fromUtf16(u"エラーテスト")},
  }));
  // 145: install
  table.push_back(Page(145, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"インストール(&I)")},
      {1007, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"終了(&E)")},
      {IDC_STATIC, CTRL_TEXT, QRect(13, 10, 308, 81), false, false, false, false, false, QString::fromUtf16(u"ダウンロードしたソフトウェアのインストールを開始します。\n\n「インストール」ボタンをクリックするとインストールを開始します。\n\n「終了」ボタンをクリックするとインストールを開始せずにダウンロードプログラムを終了します。\n後でソフトウェアをインストールするにはダウンロードしたファイルを実行するか、またはこのダウンロードプログラムを再度実行してください。")},
  }));
  // 146: folder confirmation
  table.push_back(Page(146, {
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"次へ(&N) >")},
      {2, CTRL_BUTTON, QRect(99, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"ｷｬﾝｾﾙ")},
      {1007, CTRL_BUTTON, QRect(177, 106, 73, 16), false, false, false, false, false, QString::fromUtf16(u"保存先変更(&F)")},
      {1005, CTRL_TEXT, QRect(16, 9, 307, 12), false, false, false, false, false, QString::fromUtf16(u"ダウンロードしたファイルは下記のフォルダーに保存されます。")},
      {1006, CTRL_TEXT, QRect(16, 67, 303, 12), false, false, false, false, false, QString::fromUtf16(u"この保存先でよければ「次へ」をクリックしてください。")},
      {1009, CTRL_TEXT, QRect(31, 30, 269, 15), false, false, false, false, false, QString::fromUtf16(u"********************")},
      {1008, CTRL_TEXT, QRect(15, 81, 303, 12), false, false, false, false, false, QString::fromUtf16(u"保存先を変更したい場合は「保存先変更」をクリックしてください。")},
      {IDC_STATIC, CTRL_TEXT, QRect(20, 51, 80, 10), false, false, false, false, false, QString::fromUtf16(u"必要な空き容量：")},
      {1012, CTRL_TEXT, QRect(103, 51, 48, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(159, 51, 95, 10), false, false, false, false, false, QString::fromUtf16(u"ドライブの空き容量：")},
      {1013, CTRL_TEXT, QRect(257, 51, 69, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_FRAME, QRect(21, 25, 287, 21), false, false, false, false, false, QString::fromUtf16(u"")},
  }));
  // 147: drive selection
  table.push_back(Page(147, {
      {IDC_STATIC, CTRL_TEXT, QRect(19, 9, 300, 12), false, false, false, false, false, QString::fromUtf16(u"ダウンロードしたファイルを保存するドライブを選択してください。")},
      {IDC_STATIC, CTRL_TEXT, QRect(20, 50, 80, 10), false, false, false, false, false, QString::fromUtf16(u"必要な空き容量：")},
      {1012, CTRL_TEXT, QRect(103, 50, 48, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(159, 50, 95, 10), false, false, false, false, false, QString::fromUtf16(u"ドライブの空き容量：")},
      {1013, CTRL_TEXT, QRect(257, 50, 69, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(19, 82, 300, 12), false, false, false, false, false, QString::fromUtf16(u"「次へ」をクリックするとダウンロードを開始します。")},
      {1016, CTRL_DROPDOWN, QRect(149, 27, 76, 77), false, false, false, false, false, QString::fromUtf16(u"")},
      {IDC_STATIC, CTRL_TEXT, QRect(21, 63, 85, 9), false, false, false, false, false, QString::fromUtf16(u"保存先フォルダー：")},
      {1009, CTRL_TEXT, QRect(115, 63, 199, 10), false, false, false, false, false, QString::fromUtf16(u"")},
      {1, CTRL_BUTTON, QRect(255, 105, 67, 16), false, false, true, false, false, QString::fromUtf16(u"次へ(&N) >")},
      {2, CTRL_BUTTON, QRect(99, 105, 67, 16), false, false, false, false, false, QString::fromUtf16(u"ｷｬﾝｾﾙ")},
      {1007, CTRL_BUTTON, QRect(177, 105, 73, 16), true, false, false, false, false, QString::fromUtf16(u"ﾌｫﾙﾀﾞｰ変更(&F)")},
      {IDC_STATIC, CTRL_TEXT, QRect(80, 30, 63, 10), false, false, false, false, false, QString::fromUtf16(u"ドライブ選択：")},
  }));
  // 148: download error
  table.push_back(Page(148, {
      {1005, CTRL_TEXT, QRect(16, 9, 303, 87), false, false, false, false, false, QString::fromUtf16(u"ソフトウェアのダウンロードに失敗しました。\nサーバーが混み合っている可能性があります。\nしばらく時間をおいてからダウンロードの再実行をお願いいたします。\n\nファイルへの書き込みエラーメッセージが表示された場合はダウンロードファイル保存先のドライブ空き容量を確認してください。\n\n「再実行」ボタンをクリックするとダウンロードの再実行を開始します。\n「キャンセル」ボタンを押すとダウンロードを終了します。")},
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"再実行(&N) >")},
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"ｷｬﾝｾﾙ")},
  }));
  // 149: connection error
  table.push_back(Page(149, {
      {1005, CTRL_TEXT, QRect(17, 6, 297, 96), false, false, false, false, false, QString::fromUtf16(u"ダウンロード用サーバーとの通信に失敗しました。\n\nインターネットへの接続状態の問題である可能性があります。\nウェブブラウザなどからインターネットに接続できる状態になっているかを確認してください。\nまた、一時的にサーバーが混み合っている可能性があります。\nしばらく時間をおいてからダウンロードの再実行をお願いいたします。\n\n「再実行」ボタンをクリックするとダウンロードを再実行します。\n「キャンセル」ボタンを押すとダウンロードを終了します。")},
      {1, CTRL_BUTTON, QRect(255, 106, 67, 16), false, false, true, false, false, QString::fromUtf16(u"再実行(&N) >")},
      {2, CTRL_BUTTON, QRect(169, 106, 67, 16), false, false, false, false, false, QString::fromUtf16(u"ｷｬﾝｾﾙ")},
      // Shown by the window mode when the host turned the purchase down.
      {IDC_ENTER_PURCHASE, CTRL_BUTTON, QRect(60, 106, 105, 16), true, false, false, false, false, QString::fromUtf16(u"購入情報の再入力(&P)...")},
  }));

  return table;
}

const CDialogTemplate* FindIn(const CTemplateTable& table, int id) {
  for (const CDialogTemplate& dialog : table)
    if (dialog.Id == id) return &dialog;
  return nullptr;
}

}  // namespace

const CDialogTemplate* FindDialogTemplate(int id) { return FindDialogTemplate(id, GetUiLanguage()); }

const CDialogTemplate* FindDialogTemplate(int id, int language) {
  static const CTemplateTable english = EnglishTemplates();
  static const CTemplateTable japanese = JapaneseTemplates();
  static const CDialogTemplate about = AboutBox();
  if (id == IDD_ABOUTBOX) return &about;
  return FindIn(language == LANG_JAPANESE ? japanese : english, id);
}
