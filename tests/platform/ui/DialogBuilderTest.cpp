#include "platform/UiLanguage.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/DialogWindow.h"
#include "res/DialogTemplates.h"
#include "support/EventLoop.h"
#include "support/QtPrint.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const int TEMPLATE_IDS[] = {IDD_ABOUTBOX,       IDD_PARCEL2_DIALOG, IDD_WELCOME,           IDD_CONFIRM_SOFTWARE,
                            IDD_DOWNLOADING,    IDD_DOWNLOAD_COMPLETE, IDD_SELECT_FOLDER, IDD_ACQUIRE_INFO,
                            IDD_FINISH_MESSAGE, IDD_VERIFY,         IDD_INSTALL,           IDD_CONFIRM_FOLDER,
                            IDD_SELECT_DRIVE,   IDD_DOWNLOAD_ERROR, IDD_CONNECT_ERROR,     IDD_PURCHASE};

bool IsKind(const QWidget* widget, EControlKind kind) {
  switch (kind) {
    case CTRL_BUTTON: return qobject_cast<const QPushButton*>(widget);
    case CTRL_TEXT:
    case CTRL_ICON: return qobject_cast<const QLabel*>(widget);
    case CTRL_EDIT: return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
    case CTRL_PROGRESS: return qobject_cast<const QProgressBar*>(widget);
    case CTRL_DROPDOWN: return qobject_cast<const QComboBox*>(widget);
    case CTRL_FRAME:
    case CTRL_SEPARATOR: return qobject_cast<const QFrame*>(widget);
    case CTRL_WHITE_RECT: return widget->autoFillBackground();
    case CTRL_NUMBER_EDIT: {
      // Digits are asked of input methods; nothing typed is dropped.
      auto* edit = qobject_cast<const QLineEdit*>(widget);
      return edit && edit->inputMethodHints().testFlag(Qt::ImhDigitsOnly) && !edit->validator();
    }
    case CTRL_PASSWORD_EDIT: {
      auto* edit = qobject_cast<const QLineEdit*>(widget);
      return edit && edit->echoMode() == QLineEdit::Password;
    }
    case CTRL_CHECKBOX: return qobject_cast<const QCheckBox*>(widget);
  }
  return false;
}

// Every template in both languages builds into controls of its kinds, in
// their states and places, inside the window.
TEST(DialogBuilder, BuildsEveryTemplateInBothLanguages) {
  for (int language : {LANG_ENGLISH_US, LANG_JAPANESE}) {
    for (int id : TEMPLATE_IDS) {
      SCOPED_TRACE(testing::Message() << "template " << id << " language " << language);
      const CDialogTemplate* dialog = FindDialogTemplate(id, language);
      ASSERT_NE(dialog, nullptr);
      const CDialogUnits units = CDialogUnits::ForFontPoints(dialog->FontPoints);
      const QRect window(QPoint(0, 0), units.ToPixels(dialog->Size));
      QWidget parent;
      std::vector<int> clicked;
      const CBuiltControls built = BuildControls(&parent, *dialog, units, [&](int control) { clicked.push_back(control); });
      int defaults = 0;
      for (const CControlTemplate& control : dialog->Controls) {
        if (control.Default) ++defaults;
        if (control.Id == IDC_STATIC) continue;
        const auto found = built.ById.find(control.Id);
        ASSERT_NE(found, built.ById.end()) << control.Id;
        QWidget* widget = found->second;
        EXPECT_TRUE(IsKind(widget, control.Kind)) << control.Id;
        EXPECT_EQ(widget->isHidden(), control.Hidden) << control.Id;
        EXPECT_EQ(widget->isEnabled(), !control.Disabled) << control.Id;
        EXPECT_TRUE(window.contains(widget->geometry())) << control.Id << " leaves the window";
        if (control.Kind != CTRL_DROPDOWN && control.Kind != CTRL_SEPARATOR) {
          EXPECT_EQ(widget->geometry(), units.ToPixels(control.Rect)) << control.Id;
        }
        if (control.Kind == CTRL_TEXT || control.Kind == CTRL_BUTTON || control.Kind == CTRL_CHECKBOX) {
          EXPECT_EQ(GetControlText(widget), control.Text) << control.Id;
        }
        if ((control.Kind == CTRL_BUTTON || control.Kind == CTRL_CHECKBOX) && !control.Disabled) {
          static_cast<QAbstractButton*>(widget)->click();
          EXPECT_EQ(clicked.back(), control.Id);
        }
      }
      EXPECT_LE(defaults, 1);
      if (id != IDD_PARCEL2_DIALOG && id != IDD_ABOUTBOX && id != IDD_PURCHASE) {
        EXPECT_EQ(window.size(), QSize(500, 198)) << "a page fits the page area";
        ASSERT_NE(built.DefaultButton, nullptr);
        EXPECT_EQ(built.DefaultButton, built.ById.at(IDC_OK));
      }
    }
  }
}

// A window built from a template: Enter presses the focused button, else
// the shown and enabled default button; Esc is Cancel.
class CRecordingDialog : public CDialogWindow {
public:
  std::vector<int> Commands;

protected:
  bool OnCommand(int commandId) override {
    Commands.push_back(commandId);
    return true;
  }
};

TEST(DialogWindow, EnterAndEscapeGoThroughTheCommands) {
  SetUiLanguage(LANG_ENGLISH_US);
  CRecordingDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless(FindDialogTemplate(IDD_CONFIRM_SOFTWARE)));
  QWidget* window = dialog.GetWidget();
  EXPECT_EQ(window->size(), QSize(500, 198));
  QTest::keyClick(window, Qt::Key_Return);
  QTest::keyClick(dialog.GetDlgItem(IDC_MESSAGE), Qt::Key_Enter, Qt::KeypadModifier);
  QTest::keyClick(dialog.GetDlgItem(IDC_BACK), Qt::Key_Return);  // the focused button wins
  QTest::keyClick(window, Qt::Key_Escape);
  EXPECT_EQ(dialog.Commands, (std::vector<int>{IDOK, IDOK, IDC_BACK, IDCANCEL}));

  dialog.EnableDlgItem(IDOK, false);
  QTest::keyClick(window, Qt::Key_Return);
  dialog.EnableDlgItem(IDOK, true);
  dialog.ShowDlgItem(IDOK, false);
  QTest::keyClick(window, Qt::Key_Return);
  EXPECT_EQ(dialog.Commands.size(), 4u) << "a disabled or hidden default button is not pressed";
  EXPECT_FALSE(dialog.ClickDlgItem(IDOK));
  SetUiLanguage(0);
}

TEST(DialogWindow, EachWindowGetsAFreshHandleAndKeepsTheObject) {
  CRecordingDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless(FindDialogTemplate(IDD_WELCOME)));
  const CWindowHandle first = dialog.GetSafeHwnd();
  dialog.SetDlgItemText(IDC_MESSAGE, "changed");
  ASSERT_TRUE(dialog.CreateModeless(FindDialogTemplate(IDD_WELCOME)));
  EXPECT_FALSE(IsWindow(first));
  EXPECT_TRUE(IsWindow(dialog.GetSafeHwnd()));
  EXPECT_NE(dialog.GetSafeHwnd(), first);
  EXPECT_NE(dialog.GetDlgItemText(IDC_MESSAGE), "changed") << "built afresh from the template";
  dialog.DestroyWindow();
  EXPECT_EQ(dialog.GetSafeHwnd(), 0u);
  EXPECT_EQ(dialog.GetDlgItem(IDC_MESSAGE), nullptr);
  EXPECT_FALSE(dialog.CreateModeless(FindDialogTemplate(999))) << "no such template";
}

}  // namespace
