#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// Message boxes, callable from any thread. The user interface installs the
// presenter that shows a real box on the UI thread (a worker then waits for
// the answer); tests and the unattended mode install a responder instead.
enum EMessageBoxType : unsigned {
  MB_OK = 0x0,
  MB_YESNO = 0x4,
  MB_ICONHAND = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_DEFBUTTON2 = 0x100,
};
enum EMessageBoxAnswer { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

using CWindowHandle = std::uint64_t;

struct CMessageBoxRequest {
  CWindowHandle Owner = 0;
  QString Text;
  QString Caption;
  unsigned Type = MB_OK;
};

using CMessageBoxPresenter = std::function<int(const CMessageBoxRequest&)>;

// Shows a box through the installed presenter and returns the button
// pressed. With none installed it answers OK, or No to a question.
int ShowMessageBox(CWindowHandle owner, const QString& text, const QString& caption, unsigned type);

// Installs the process-wide presenter and returns the one it replaces.
CMessageBoxPresenter SetMessageBoxPresenter(CMessageBoxPresenter presenter);

// Answers every box without a person and records what was asked. While one
// exists it is the presenter; the previous presenter comes back afterwards.
class CMessageBoxResponder {
public:
  explicit CMessageBoxResponder(int answer = IDOK);
  ~CMessageBoxResponder();
  CMessageBoxResponder(const CMessageBoxResponder&) = delete;
  CMessageBoxResponder& operator=(const CMessageBoxResponder&) = delete;

  void SetAnswer(int answer);
  std::vector<CMessageBoxRequest> Asked() const;

private:
  mutable std::mutex Lock;
  int Answer;
  std::vector<CMessageBoxRequest> Requests;
  CMessageBoxPresenter Previous;
};
