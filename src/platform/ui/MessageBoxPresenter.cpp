#include "platform/ui/MessageBoxPresenter.h"

#include "platform/WindowMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>

namespace {

QMessageBox::Icon IconFor(unsigned type) {
  switch (type & 0xf0) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    default: return QMessageBox::NoIcon;
  }
}

QWidget* OwnerWidget(CWindowHandle owner) {
  CMessageWindow* window = FindMessageWindow(owner);
  return window ? qobject_cast<QWidget*>(window->parent()) : nullptr;
}

}  // namespace

int DefaultMessageBoxAnswer(unsigned type) { return (type & 0xf) == MB_YESNO ? IDNO : IDOK; }

CMessageBoxPresenterUi::CMessageBoxPresenterUi() {
  // The installed function holds the state, not the presenter: a worker
  // that took it just before the presenter went gets its default answer
  // and touches nothing freed.
  Previous = SetMessageBoxPresenter(
      [state = State](const CMessageBoxRequest& request) { return Present(state, request); });
  // A responder already answering (tests, the unattended mode) keeps answering.
  if (Previous) {
    SetMessageBoxPresenter(Previous);
    Previous = nullptr;
    Installed = false;
  }
}

CMessageBoxPresenterUi::~CMessageBoxPresenterUi() {
  if (Installed) SetMessageBoxPresenter(std::move(Previous));
  std::lock_guard<std::mutex> lock(State->Lock);
  State->ShuttingDown = true;
  for (const auto& box : State->Pending) {
    box->Answer = DefaultMessageBoxAnswer(box->Type);
    box->Done = true;
  }
  State->Pending.clear();
  State->Answered.notify_all();
}

int CMessageBoxPresenterUi::PendingBoxes() const {
  std::lock_guard<std::mutex> lock(State->Lock);
  return static_cast<int>(State->Pending.size());
}

std::unique_ptr<QMessageBox> CMessageBoxPresenterUi::BuildMessageBox(const CMessageBoxRequest& request) {
  const bool question = (request.Type & 0xf) == MB_YESNO;
  auto box = std::make_unique<QMessageBox>(IconFor(request.Type), request.Caption, request.Text,
                                           question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                                           OwnerWidget(request.Owner));
  // Our texts are plain, and what they quote (a host's words, an address)
  // must not be read as markup.
  box->setTextFormat(Qt::PlainText);
  if (question) {
    box->setDefaultButton((request.Type & MB_DEFBUTTON2) ? QMessageBox::No : QMessageBox::Yes);
    box->setEscapeButton(QMessageBox::No);
  } else {
    box->setDefaultButton(QMessageBox::Ok);
  }
  return box;
}

int CMessageBoxPresenterUi::RunMessageBox(const CMessageBoxRequest& request) {
  // The box is a child of its owner's window. When that window goes while
  // the box is open (the wizard moved on under it), Qt deletes the box
  // inside exec: the box then counts as closed with No (or OK), and nothing
  // of it is read afterwards.
  const QPointer<QMessageBox> box = BuildMessageBox(request).release();
  box->exec();
  if (!box) return DefaultMessageBoxAnswer(request.Type);
  const bool yes = box->clickedButton() == box->button(QMessageBox::Yes);
  delete box.data();
  if ((request.Type & 0xf) != MB_YESNO) return IDOK;
  return yes ? IDYES : IDNO;
}

int CMessageBoxPresenterUi::Present(const std::shared_ptr<CState>& state, const CMessageBoxRequest& request) {
  {
    std::lock_guard<std::mutex> lock(state->Lock);
    if (state->ShuttingDown) return DefaultMessageBoxAnswer(request.Type);
  }
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) return DefaultMessageBoxAnswer(request.Type);
  if (QThread::currentThread() == application->thread()) return RunMessageBox(request);

  // A worker: queue the box to the UI thread and wait. The state is shared
  // so a box answered after the presenter is gone touches nothing freed.
  auto box = std::make_shared<CPendingBox>();
  box->Type = request.Type;
  {
    std::lock_guard<std::mutex> lock(state->Lock);
    if (state->ShuttingDown) return DefaultMessageBoxAnswer(request.Type);
    state->Pending.insert(box);
  }
  QMetaObject::invokeMethod(
      application,
      [state, box, request] {
        {
          std::lock_guard<std::mutex> lock(state->Lock);
          if (box->Done) return;
        }
        const int answer = RunMessageBox(request);
        std::lock_guard<std::mutex> lock(state->Lock);
        if (box->Done) return;
        box->Answer = answer;
        box->Done = true;
        state->Pending.erase(box);
        state->Answered.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(state->Lock);
  state->Answered.wait(lock, [&] { return box->Done; });
  return box->Answer;
}
