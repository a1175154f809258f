#include "support/QtPrint.h"
#include "support/WizardFixture.h"

#include "res/ResourceIds.h"
#include "res/Strings.h"

namespace {

class MessagePages : public CWizardFixture {};

TEST_F(MessagePages, ShowTheListsTextWithLineBreaksOrTheTemplates) {
  const QString welcome = FindDialogTemplate(IDD_WELCOME, LANG_ENGLISH_US)->Find(IDC_MESSAGE)->Text;
  struct CCase {
    QString Record;
    int State;
    QString Shown;
  };
  const CCase cases[] = {
      {"MS,1,First line//Second line", ST_MESSAGE_1, "First line\nSecond line"},
      {"MS,1,\n", ST_MESSAGE_1, welcome},  // present but empty: the template's text
      {"MS,2,a////b//", ST_MESSAGE_2, "a\n\nb\n"},
      {"MS,5,One / slash", ST_MESSAGE_5, "One / slash"},
      {"MS,9,\n", ST_MESSAGE_9, ""},
  };
  OpenFrame();
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.Record.toStdString());
    LoadList({c.Record});
    ASSERT_TRUE(Frame->SwitchToState(c.State));
    ASSERT_TRUE(Frame->GetCurrentPage() == &Frame->Page00);
    EXPECT_EQ(Frame->Page00.GetDlgItemText(IDC_MESSAGE), c.Shown);
    EXPECT_EQ(Frame->GetTitleText(), "Message");
  }
  // The welcome page always shows its own text.
  ASSERT_TRUE(Frame->SwitchToState(ST_WELCOME));
  EXPECT_EQ(Frame->Page00.GetDlgItemText(IDC_MESSAGE), welcome);
}

TEST_F(MessagePages, ConfirmationShowsTheProductNameOfTheLanguage) {
  struct CCase {
    int Language;
    const char16_t* Record;
    const char16_t* Shown;
  };
  const CCase cases[] = {
      {LANG_JAPANESE, u"SN,0,写真スタジオ,5,Photo Studio", u"写真スタジオ"},
      {LANG_ENGLISH_US, u"SN,0,写真スタジオ,5,Photo Studio", u"Photo Studio"},
      {LANG_ENGLISH_US, u"SN,0,写真スタジオ,5", u"写真スタジオ"},  // no English name
      {2057, u"SN,0,写真スタジオ,5,Photo Studio", u"Photo Studio"},
  };
  OpenFrame();
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.Language);
    App->UiLanguage = c.Language;
    LoadList({QString::fromUtf16(c.Record)});
    ASSERT_TRUE(Frame->SwitchToState(ST_CONFIRM_SOFTWARE));
    EXPECT_EQ(Frame->Page02.GetDlgItemText(IDC_PRODUCT_NAME), QString::fromUtf16(c.Shown));
  }
}

// "-E" on a Japanese system: the pages and titles are English while the
// product name follows the application's language.
TEST_F(MessagePages, EnglishModeLoadsEnglishPagesAndTitles) {
  SetUiLanguage(LANG_JAPANESE);
  OpenFrame();
  EXPECT_EQ(Frame->GetTitleText(), QString::fromUtf16(u"ソフトウェア ダウンロード"));
  EXPECT_EQ(Frame->Page00.GetDlgItemText(IDOK), QString::fromUtf16(u"次へ(&N) >"));
  Frame.reset();

  App = std::make_unique<CParcel2App>("-E", Logs.Path());
  ASSERT_TRUE(App->PrepareInstance());
  LoadList({QString::fromUtf16(u"SN,0,写真スタジオ,5,Photo Studio")});
  OpenFrame();
  EXPECT_EQ(Frame->GetTitleText(), "Download the software");
  EXPECT_EQ(Frame->Page00.GetDlgItemText(IDOK), "&Next >");
  ASSERT_TRUE(Frame->SwitchToState(ST_CONFIRM_SOFTWARE));
  EXPECT_EQ(Frame->Page02.GetDlgItemText(IDC_PRODUCT_NAME), "Photo Studio");
  EXPECT_EQ(Frame->Page02.GetDlgItemText(IDC_BACK), "< &Back");
}

}  // namespace
