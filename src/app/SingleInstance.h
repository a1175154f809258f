#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// One wizard per user in the window mode. A later start hands its
// arguments to the running wizard over a local socket and ends, so a link
// clicked twice, or the menu while a download runs, never starts a second
// download; the running wizard decides what to do with them. UI thread.
class CSingleInstance : public QObject {
public:
  enum EHandOver {
    NONE_RUNNING,  // nobody listens: this start is the wizard
    HANDED_OVER,   // the running wizard took the arguments
    NO_ANSWER,     // someone listens but did not take them in time
  };
  static constexpr int ANSWER_TIMEOUT_MS = 5000;

  // name: the socket's name (tests give their own): parcel2-wizard in the
  // user's runtime folder, else "parcel2-" and the user's id in the
  // temporary folder.
  explicit CSingleInstance(QString name = DefaultName());
  static QString DefaultName();

  // Hands the arguments to a running wizard, or else becomes the one that
  // listens. NONE_RUNNING also when the name cannot be listened under (an
  // unusable temporary folder must not keep the wizard from running).
  EHandOver Claim(const QStringList& arguments);
  // Blocks for at most timeoutMs while a running wizard takes the arguments.
  EHandOver HandOver(const QStringList& arguments, int timeoutMs = ANSWER_TIMEOUT_MS) const;
  // Starts taking later starts' arguments. A name left by a wizard that
  // ended without closing it is taken over; false when another wizard
  // listens under it (it started at the same moment: hand over to it).
  bool Listen();
  // Called on the UI thread with each later start's arguments, after the
  // start has been told they were taken (so a box shown here never keeps
  // it waiting).
  void SetArrivalHandler(std::function<void(const QStringList&)> handler) { OnArrival = std::move(handler); }

private:
  void TakeConnection();

  QString Name;
  QLocalServer Server;
  std::function<void(const QStringList&)> OnArrival;
};

// Brings the wizard's window forward: the box or dialog it shows if any,
// else its frame. A window the wizard hid (while install commands run)
// stays hidden.
void BringWizardForward(QWidget* frame);
