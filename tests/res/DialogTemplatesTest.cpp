#include "platform/UiLanguage.h"
#include "res/DialogTemplates.h"
#include "res/Strings.h"
#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

const int PAGE_TEMPLATES[] = {135, 136, 137, 138, 139, 142, 143, 144, 145, 146, 147, 148, 149};

TEST(DialogTemplates, EveryPageHasItsFrameAndDefaultButtonInBothLanguages) {
  for (int language : {LANG_ENGLISH_US, LANG_JAPANESE}) {
    for (int id : PAGE_TEMPLATES) {
      const CDialogTemplate* page = FindDialogTemplate(id, language);
      ASSERT_NE(page, nullptr) << id;
      EXPECT_EQ(page->Size, QSize(333, 122));
      const CControlTemplate* area = page->Find(IDC_PAGE_AREA);
      ASSERT_NE(area, nullptr) << id;
      EXPECT_TRUE(area->Hidden);
      const CControlTemplate* ok = page->Find(IDC_OK);
      ASSERT_NE(ok, nullptr) << id;
      EXPECT_TRUE(ok->Default);
      EXPECT_EQ(ok->Rect.x(), 255);
      EXPECT_EQ(page->Controls.size(), FindDialogTemplate(id, LANG_ENGLISH_US)->Controls.size());
    }
  }
  EXPECT_EQ(FindDialogTemplate(150, LANG_ENGLISH_US), nullptr);
}

TEST(DialogTemplates, KeepTheTextsStatesAndJapanesePositions) {
  const CDialogTemplate* progressEn = FindDialogTemplate(IDD_DOWNLOADING, LANG_ENGLISH_US);
  const CDialogTemplate* progressJa = FindDialogTemplate(IDD_DOWNLOADING, LANG_JAPANESE);
  EXPECT_EQ(progressEn->Find(1011)->Rect, QRect(206, 81, 115, 10));
  EXPECT_EQ(progressJa->Find(1011)->Rect, QRect(249, 81, 77, 10));
  EXPECT_EQ(progressJa->Find(1011)->Text, "000分");
  EXPECT_TRUE(progressEn->Find(1008)->Hidden);
  EXPECT_TRUE(progressEn->Find(1008)->Disabled);

  const CDialogTemplate* welcome = FindDialogTemplate(IDD_WELCOME, LANG_ENGLISH_US);
  EXPECT_TRUE(welcome->Find(IDC_MESSAGE)->Text.startsWith("Thank you for purchasing Quillmar products.\n\n"));
  EXPECT_EQ(FindDialogTemplate(IDD_CONFIRM_SOFTWARE, LANG_JAPANESE)->Find(IDC_BACK)->Text, "< 戻る(&B)");
  EXPECT_EQ(FindDialogTemplate(IDD_ACQUIRE_INFO, LANG_ENGLISH_US)->Find(IDC_BACK)->Kind, CTRL_TEXT);
  EXPECT_EQ(FindDialogTemplate(IDD_SELECT_FOLDER, LANG_ENGLISH_US)->Find(IDC_OK)->Disabled, true);
}

// Texts set at run time (sizes, folders) must not run into their neighbours.
TEST(DialogTemplates, ShownTextsOfAPageNeverOverlap) {
  for (int language : {LANG_ENGLISH_US, LANG_JAPANESE}) {
    for (int id : PAGE_TEMPLATES) {
      std::vector<const CControlTemplate*> texts;
      for (const CControlTemplate& control : FindDialogTemplate(id, language)->Controls)
        if (control.Kind == CTRL_TEXT && !control.Hidden) texts.push_back(&control);
      for (size_t i = 0; i < texts.size(); ++i)
        for (size_t j = i + 1; j < texts.size(); ++j)
          EXPECT_FALSE(texts[i]->Rect.intersects(texts[j]->Rect))
              << id << " " << language << ": " << texts[i]->Text.toStdString() << texts[i]->Id << " / "
              << texts[j]->Text.toStdString() << texts[j]->Id;
    }
  }
}

// Buttons in a row that touch read as one: every page keeps room between
// the ones it shows.
TEST(DialogTemplates, ShownButtonsOfAPageStandApart) {
  for (int language : {LANG_ENGLISH_US, LANG_JAPANESE}) {
    for (int id : PAGE_TEMPLATES) {
      std::vector<QRect> buttons;
      for (const CControlTemplate& control : FindDialogTemplate(id, language)->Controls)
        if (control.Kind == CTRL_BUTTON && !control.Hidden) buttons.push_back(control.Rect);
      for (size_t i = 0; i < buttons.size(); ++i)
        for (size_t j = i + 1; j < buttons.size(); ++j)
          EXPECT_FALSE(buttons[i].adjusted(-2, 0, 2, 0).intersects(buttons[j])) << id << " " << language;
    }
  }
}

TEST(DialogTemplates, FrameDiffersOnlyInCancelAndTheAboutBoxExistsOnce) {
  const CDialogTemplate* en = FindDialogTemplate(IDD_PARCEL2_DIALOG, LANG_ENGLISH_US);
  const CDialogTemplate* ja = FindDialogTemplate(IDD_PARCEL2_DIALOG, LANG_JAPANESE);
  EXPECT_EQ(en->Size, QSize(286, 183));
  EXPECT_EQ(en->Find(IDC_PAGE_AREA)->Rect, QRect(0, 50, 286, 133));
  EXPECT_EQ(en->Find(IDC_CANCEL)->Text, "Cancel");
  EXPECT_EQ(ja->Find(IDC_CANCEL)->Text, "ｷｬﾝｾﾙ");
  // The window is called by the product's caption, as the boxes are.
  EXPECT_EQ(en->Caption, LoadString(IDS_SAVE_CAPTION, LANG_ENGLISH_US));
  EXPECT_EQ(ja->Caption, LoadString(IDS_SAVE_CAPTION, LANG_JAPANESE));
  EXPECT_EQ(FindDialogTemplate(IDD_ABOUTBOX, LANG_ENGLISH_US), FindDialogTemplate(IDD_ABOUTBOX, LANG_JAPANESE));
}

}  // namespace

namespace {

// The purchase dialog looks like the wizard it opens (the frame's units and
// header) and takes the keyboard in the customer's order: number, key, the
// "show" toggle, then the buttons, OK the default.
TEST(DialogTemplates, PurchaseDialogHasTheFramesHeaderAndTheCustomersOrder) {
  const CDialogTemplate* frame = FindDialogTemplate(IDD_PARCEL2_DIALOG, LANG_ENGLISH_US);
  const CDialogTemplate* en = FindDialogTemplate(IDD_PURCHASE, LANG_ENGLISH_US);
  const CDialogTemplate* ja = FindDialogTemplate(IDD_PURCHASE, LANG_JAPANESE);
  ASSERT_TRUE(en && ja);
  EXPECT_EQ(en->Find(IDC_SHOW_KEY)->Text, "&show");
  EXPECT_EQ(ja->Find(IDC_CANCEL)->Text, "ｷｬﾝｾﾙ");
  for (const CDialogTemplate* dialog : {en, ja}) {
    EXPECT_EQ(dialog->FontPoints, frame->FontPoints);
    EXPECT_EQ(dialog->Size.width(), frame->Size.width());
    EXPECT_EQ(dialog->Find(IDC_HEADER)->Rect, frame->Find(IDC_HEADER)->Rect);
    std::vector<int> focusable;
    std::vector<const CControlTemplate*> texts;
    for (const CControlTemplate& control : dialog->Controls) {
      if (control.Kind == CTRL_TEXT) texts.push_back(&control);
      else if (control.Id != IDC_STATIC && control.Id != IDC_HEADER) focusable.push_back(control.Id);
      EXPECT_EQ(control.Default, control.Id == IDC_OK);
      EXPECT_EQ(control.Rect, en->Controls[&control - dialog->Controls.data()].Rect) << "same places in both languages";
    }
    EXPECT_EQ(focusable, (std::vector<int>{IDC_PURCHASE_NO, IDC_PURCHASE_KEY, IDC_SHOW_KEY, IDC_OK, IDC_CANCEL}));
    EXPECT_EQ(dialog->Find(IDC_PURCHASE_NO)->Kind, CTRL_NUMBER_EDIT);
    EXPECT_EQ(dialog->Find(IDC_PURCHASE_KEY)->Kind, CTRL_PASSWORD_EDIT);
    for (size_t i = 0; i < texts.size(); ++i)
      for (size_t j = i + 1; j < texts.size(); ++j) EXPECT_FALSE(texts[i]->Rect.intersects(texts[j]->Rect));
  }
}

}  // namespace
