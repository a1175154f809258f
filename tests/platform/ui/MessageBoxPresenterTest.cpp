#include "platform/QtTranslations.h"
#include "platform/UiLanguage.h"
#include "platform/WorkerThreads.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/MessageBoxPresenter.h"
#include "support/EventLoop.h"
#include "support/QtPrint.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

// The box runs its own loop on the UI thread; the test answers it from
// inside that loop, as a person would, as soon as it is open.
class CBoxAnswerer {
public:
  explicit CBoxAnswerer(std::function<void(QMessageBox&)> answer) : Answer(std::move(answer)) {
    Poll.setInterval(5);
    QObject::connect(&Poll, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      Poll.stop();
      Answer(*box);
    });
    Poll.start();
  }

private:
  std::function<void(QMessageBox&)> Answer;
  QTimer Poll;
};

// A worker asks; the box runs on the UI thread with the buttons, icon and
// default button of the type; the worker gets the button pressed.
TEST(MessageBoxPresenter, WorkerWaitsForTheBoxOnTheUiThread) {
  struct CCase {
    unsigned Type;
    QMessageBox::Icon Icon;
    QMessageBox::StandardButtons Buttons;
    QMessageBox::StandardButton Default;
    QMessageBox::StandardButton Press;
    int Answer;
  };
  const CCase cases[] = {
      {MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
       QMessageBox::No, QMessageBox::Yes, IDYES},
      {MB_YESNO | MB_ICONEXCLAMATION, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
       QMessageBox::No, IDNO},
      {MB_OK | MB_ICONHAND, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok, IDOK},
      {MB_OK, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok, IDOK},
  };
  CMessageBoxPresenterUi presenter;
  ASSERT_TRUE(presenter.IsInstalled());
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.Type);
    std::atomic<int> answer{0};
    bool seen = false;
    CBoxAnswerer answerer([&](QMessageBox& box) {
      seen = true;
      EXPECT_EQ(box.text(), "Disk full");
      EXPECT_EQ(box.windowTitle(), "Write");
      EXPECT_EQ(box.icon(), c.Icon);
      EXPECT_EQ(box.standardButtons(), c.Buttons);
      EXPECT_EQ(box.defaultButton(), box.button(c.Default));
      EXPECT_EQ(answer.load(), 0) << "the worker waits";
      box.button(c.Press)->click();
    });
    BeginWorkerThread([&] { answer = ShowMessageBox(0, "Disk full", "Write", c.Type); });
    ASSERT_TRUE(WaitUntil([&] { return answer.load() != 0; }));
    JoinWorkerThreads();
    EXPECT_TRUE(seen);
    EXPECT_EQ(answer.load(), c.Answer);
  }
}

TEST(MessageBoxPresenter, ExitAnswersWaitingWorkersWithoutAPerson) {
  std::atomic<int> answer{0};
  {
    CMessageBoxPresenterUi presenter;
    BeginWorkerThread([&] { answer = ShowMessageBox(0, "Quit?", "Cancel", MB_YESNO); });
    // The UI thread runs no events before the program ends.
    const QDeadlineTimer deadline(10000);
    while (presenter.PendingBoxes() == 0 && !deadline.hasExpired()) std::this_thread::yield();
    ASSERT_EQ(presenter.PendingBoxes(), 1);
  }
  JoinWorkerThreads();
  EXPECT_EQ(answer.load(), IDNO);
  // The queued box, when events run again, sees its answer given and shows nothing.
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(ShowMessageBox(0, "Again?", "Cancel", MB_YESNO), IDNO) << "no presenter left";
}

// A worker that took the presenter just before it went (a write failure at
// exit) gets its default answer; nothing of the presenter is touched.
TEST(MessageBoxPresenter, AWorkersBoxAfterThePresenterWentGetsItsDefault) {
  CMessageBoxPresenter taken;
  {
    CMessageBoxPresenterUi presenter;
    taken = SetMessageBoxPresenter(nullptr);
    SetMessageBoxPresenter(taken);
  }
  ASSERT_TRUE(taken);
  std::atomic<int> answers[2] = {0, 0};
  BeginWorkerThread([&] {
    answers[0] = taken(CMessageBoxRequest{0, "Disk full", "Write", MB_OK | MB_ICONHAND});
    answers[1] = taken(CMessageBoxRequest{0, "Sure?", "Cancel", MB_YESNO});
  });
  JoinWorkerThreads();
  EXPECT_EQ(answers[0].load(), IDOK);
  EXPECT_EQ(answers[1].load(), IDNO);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MessageBoxPresenter, AResponderInstalledFirstKeepsAnswering) {
  CMessageBoxResponder responder(IDYES);
  CMessageBoxPresenterUi presenter;
  EXPECT_FALSE(presenter.IsInstalled());
  EXPECT_EQ(ShowMessageBox(0, "Sure?", "Cancel", MB_YESNO), IDYES);
  EXPECT_EQ(responder.Asked().size(), 1u);
}

TEST(DialogUnits, ReproduceTheDesignedGeometry) {
  struct CCase {
    CDialogUnits Units;
    QRect Dialog;
    QRect Pixels;
  };
  const CCase cases[] = {
      {FRAME_DIALOG_UNITS, QRect(0, 0, 286, 183), QRect(0, 0, 501, 275)},    // the frame's client area
      {FRAME_DIALOG_UNITS, QRect(0, 0, 286, 31), QRect(0, 0, 501, 47)},      // the header
      {FRAME_DIALOG_UNITS, QRect(0, 50, 286, 133), QRect(0, 75, 501, 200)},  // the page area
      {PAGE_DIALOG_UNITS, QRect(0, 0, 333, 122), QRect(0, 0, 500, 198)},     // a page
      {PAGE_DIALOG_UNITS, QRect(255, 106, 67, 16), QRect(383, 172, 100, 26)},  // Next
  };
  for (const CCase& c : cases) EXPECT_EQ(c.Units.ToPixels(c.Dialog), c.Pixels);
  EXPECT_EQ(CDialogUnits::ForFontPoints(9).X(4), 7);
  EXPECT_EQ(CDialogUnits::ForFontPoints(8).Y(8), 13);
}

// Qt's standard buttons follow the wizard's language.
TEST(MessageBoxTexts, JapaneseBoxesHaveJapaneseButtons) {
  const CMessageBoxRequest question{0, "?", "caption", MB_YESNO | MB_DEFBUTTON2};
  const CMessageBoxRequest notice{0, "!", "caption", MB_OK | MB_ICONHAND};
  ASSERT_TRUE(UseQtStandardTexts(LANG_JAPANESE)) << "qt6-translations-l10n is missing";
  auto box = CMessageBoxPresenterUi::BuildMessageBox(question);
  EXPECT_TRUE(box->button(QMessageBox::Yes)->text().contains(QString::fromUtf16(u"はい")))
      << qPrintable(box->button(QMessageBox::Yes)->text());
  EXPECT_TRUE(box->button(QMessageBox::No)->text().contains(QString::fromUtf16(u"いいえ")));
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));

  UseQtStandardTexts(LANG_ENGLISH_US);
  box = CMessageBoxPresenterUi::BuildMessageBox(question);
  EXPECT_EQ(box->button(QMessageBox::Yes)->text(), "&Yes");
  box = CMessageBoxPresenterUi::BuildMessageBox(notice);
  EXPECT_EQ(box->button(QMessageBox::Ok)->text(), "OK");
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
}

}  // namespace
