#include "platform/MessageBox.h"

namespace {

std::mutex PresenterLock;
CMessageBoxPresenter Presenter;

}  // namespace

int ShowMessageBox(CWindowHandle owner, const QString& text, const QString& caption, unsigned type) {
  CMessageBoxPresenter presenter;
  {
    std::lock_guard<std::mutex> lock(PresenterLock);
    presenter = Presenter;
  }
  const CMessageBoxRequest request{owner, text, caption, type};
  if (presenter) return presenter(request);
  return (type & 0xf) == MB_YESNO ? IDNO : IDOK;
}

CMessageBoxPresenter SetMessageBoxPresenter(CMessageBoxPresenter presenter) {
  std::lock_guard<std::mutex> lock(PresenterLock);
  std::swap(Presenter, presenter);
  return presenter;
}

CMessageBoxResponder::CMessageBoxResponder(int answer) : Answer(answer) {
  Previous = SetMessageBoxPresenter([this](const CMessageBoxRequest& request) {
    std::lock_guard<std::mutex> lock(Lock);
    Requests.push_back(request);
    return Answer;
  });
}

CMessageBoxResponder::~CMessageBoxResponder() { SetMessageBoxPresenter(std::move(Previous)); }

void CMessageBoxResponder::SetAnswer(int answer) {
  std::lock_guard<std::mutex> lock(Lock);
  Answer = answer;
}

std::vector<CMessageBoxRequest> CMessageBoxResponder::Asked() const {
  std::lock_guard<std::mutex> lock(Lock);
  return Requests;
}
