#include "platform/UiLanguage.h"
#include "res/RequestAddresses.h"
#include "res/Strings.h"
#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

TEST(UiLanguage, MapsLocaleNamesToLanguageIds) {
  EXPECT_EQ(LanguageIdForLocaleName("ja_JP.UTF-8"), 1041);
  EXPECT_EQ(LanguageIdForLocaleName("ja"), 1041);
  EXPECT_EQ(LanguageIdForLocaleName("en_US.UTF-8"), 1033);
  EXPECT_EQ(LanguageIdForLocaleName("en_GB"), 2057);
  EXPECT_EQ(LanguageIdForLocaleName("de_AT"), 1031);
  EXPECT_EQ(LanguageIdForLocaleName("C"), 1033);
  EXPECT_EQ(LanguageIdForLocaleName("jam"), 1033);
  EXPECT_EQ(LanguageIdForLocaleName(nullptr), 1033);
}

TEST(UiLanguage, OverrideHoldsForTheWholeProcess) {
  SetUiLanguage(LANG_JAPANESE);
  EXPECT_EQ(GetUiLanguage(), 1041);
  EXPECT_EQ(LoadString(IDS_CANCEL_CAPTION), "ダウンロードの中止");
  SetUiLanguage(LANG_ENGLISH_US);
  EXPECT_EQ(LoadString(IDS_CANCEL_CAPTION), "Cancel Download");
  SetUiLanguage(0);
}

TEST(Strings, KeepTheProgramsTextsAndFormats) {
  EXPECT_EQ(LoadString(IDS_CANCEL_QUESTION, 1033), "Are you sure you wannt to cancel download?");
  EXPECT_EQ(LoadString(IDS_CANCEL_QUESTION, 2057), "Are you sure you wannt to cancel download?");
  EXPECT_EQ(LoadString(999, 1041), "");
  EXPECT_EQ(FormatText(LoadString(IDS_LIST_FILE_NAME, 1033), 42), "_DownloadUtf8List0042.lst");
  EXPECT_EQ(FormatText(LoadString(IDS_ABOUT_HOURS_MINUTES, 1041), 1, 5), "約 1 時間 5 分");
  EXPECT_EQ(FormatText(LoadString(IDS_DEFAULT_SAVE_FOLDER, 1033), QString("/home/u")), "/home/u/QUILLMAR_Download");
  EXPECT_EQ(FormatText(LoadString(IDS_DRIVE_ENTRY, 1041), QString("/data")), "/data ドライブ");
  EXPECT_EQ(FormatText(LoadString(IDS_WRITE_FAILED, 1033), QString("disk full")),
            "Failed to write to the file.\n\nCheck the free space on your drive.\n\nMore Information:disk full");
}

TEST(RequestAddresses, CarryThePurchaseAndTheRequestsOwnParameters) {
  const QString host = "http://127.0.0.1:8080/";
  EXPECT_EQ(RequestAddress(IDS_LIST_URL, host, 12, "k y"),
            "http://127.0.0.1:8080/http/cgi-bin/getlist_u8.pl?NO=12&KEY=k%%20y");
  EXPECT_EQ(FormatText(RequestAddress(IDS_BODY_URL, host, 12, "a&b%"), QString("P.001")),
            "http://127.0.0.1:8080/http/cgi-bin/getbody_u8.pl?NO=12&KEY=a%26b%25&REQID=P.001");
  EXPECT_EQ(FormatText(RequestAddress(IDS_TEST_LIST_URL, host, 1, "k")),
            "http://127.0.0.1:8080/http/cgi-bin/getlist.pl?NO=1&KEY=k&TESFLG=TEST");
  EXPECT_EQ(FormatText(RequestAddress(IDS_TEST_BODY_URL, host, 1, "k"), QString("x")),
            "http://127.0.0.1:8080/http/cgi-bin/getbody.pl?NO=1&KEY=k&REQID=x&TESFLG=TEST");
  EXPECT_EQ(RequestAddress(201, host, 1, "k"), "");
}

}  // namespace
