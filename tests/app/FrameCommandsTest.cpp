#include "support/QtPrint.h"
#include "support/WizardFixture.h"

#include "platform/SystemInfo.h"
#include "res/ResourceIds.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace {

class FrameCommands : public CWizardFixture {
protected:
  bool LogIndicatorShown() const { return Frame->GetDlgItem(IDC_LOG)->isVisibleTo(Frame->GetWidget()); }
};

TEST_F(FrameCommands, LogToggleFromThePageSwitchesTheLogAndItsIndicator) {
  App->Logger.SetLevel(0, true);
  OpenFrame();
  EXPECT_FALSE(LogIndicatorShown());
  QWidget* focused = Frame->Page00.GetWidget()->focusWidget();
  ASSERT_NE(focused, nullptr);

  QTest::keyClick(focused, Qt::Key_F9);
  EXPECT_EQ(App->LogEnabled.load(), 1);
  EXPECT_TRUE(LogIndicatorShown());
  EXPECT_EQ(LogLines(), (QStringList{"INFOM  * Log Start *************************************",
                                     "INFOM  Downloader version=020001", "INFOM  " + GetSystemDescription()}));

  QTest::keyClick(focused, Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(App->LogEnabled.load(), 0);
  EXPECT_FALSE(LogIndicatorShown());
  EXPECT_EQ(LogLines().last(), "INFOM  * Log Stop **************************************");
  const qsizetype lines = LogLines().size();

  // F12 does nothing; the frame itself has no accelerators.
  QTest::keyClick(focused, Qt::Key_F12);
  QTest::keyClick(Frame->GetWidget(), Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
  QTest::keyClick(Frame->GetWidget(), Qt::Key_F9);
  EXPECT_EQ(App->LogEnabled.load(), 0);
  EXPECT_EQ(LogLines().size(), lines);
}

TEST_F(FrameCommands, StartsWithTheIndicatorOfTheCommandLine) {
  App->LogEnabled = 1;
  OpenFrame();
  EXPECT_TRUE(LogIndicatorShown());
}

TEST_F(FrameCommands, ReacquireItemTogglesItsCheckMarkAndTheFlag) {
  OpenFrame();
  QMenu* menu = Frame->GetSystemMenu();
  ASSERT_NE(menu, nullptr);
  QStringList texts;
  QAction* reacquire = nullptr;
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) continue;
    texts << action->text();
    if (action->isCheckable()) reacquire = action;
  }
  EXPECT_EQ(texts, (QStringList{"&Acquire download information again.", "&About Parcel2..."}));
  ASSERT_NE(reacquire, nullptr);
  for (int expected : {1, 0, 1}) {
    reacquire->trigger();
    EXPECT_EQ(App->ReacquireDownloadInfo.load(), expected);
    EXPECT_EQ(reacquire->isChecked(), expected == 1);
  }
}

TEST_F(FrameCommands, ContextMenuOpensOnTheHeaderOnly) {
  OpenFrame();
  QWidget* window = Frame->GetWidget();
  QMenu* menu = Frame->GetSystemMenu();
  QContextMenuEvent onPage(QContextMenuEvent::Mouse, QPoint(250, 150), window->mapToGlobal(QPoint(250, 150)));
  QCoreApplication::sendEvent(window, &onPage);
  EXPECT_FALSE(menu->isVisible());
  QContextMenuEvent onHeader(QContextMenuEvent::Mouse, QPoint(250, 20), window->mapToGlobal(QPoint(250, 20)));
  QCoreApplication::sendEvent(window, &onHeader);
  ASSERT_TRUE(WaitUntil([&] { return menu->isVisible(); }));
  menu->hide();
  // Shift+F10 from the page's focused button.
  QTest::keyClick(Frame->Page00.GetWidget()->focusWidget(), Qt::Key_F10, Qt::ShiftModifier);
  ASSERT_TRUE(WaitUntil([&] { return menu->isVisible(); }));
  menu->hide();
}

TEST_F(FrameCommands, AboutBoxRunsModallyInEitherLanguage) {
  for (int language : {LANG_ENGLISH_US, LANG_JAPANESE}) {
    SetUiLanguage(language);
    OpenFrame();
    QString caption;
    QString version;
    QStringList clipped;
    QTimer::singleShot(0, [&] {
      if (!WaitUntil([] { return QApplication::activeModalWidget() != nullptr; })) return;
      QWidget* about = QApplication::activeModalWidget();
      caption = about->windowTitle();
      for (QLabel* label : about->findChildren<QLabel*>()) {
        if (label->text().startsWith("Version")) version = label->text();
        // No line is clipped, the copyright's the longest.
        if (label->sizeHint().width() > label->width()) clipped << label->text();
      }
      QTest::keyClick(about, Qt::Key_Return);
    });
    Frame->OnSysCommand(IDM_ABOUTBOX);  // returns when the box is closed
    EXPECT_EQ(caption, "QUILLMAR Software Downloader ");
    EXPECT_EQ(version, "Version 2.01");
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join(", ").toStdString();
    EXPECT_FALSE(Frame->IsEnded());
  }
}

}  // namespace
