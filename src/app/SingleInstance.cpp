#include "app/SingleInstance.h"

#include <QApplication>
#include <QDataStream>
#include <QFileInfo>
#include <QStringList>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <unistd.h>

namespace {

// The arguments go as one QDataStream string list behind its byte count;
// the wizard answers with one byte once it has them.
constexpr char TAKEN = 1;
// More than any command line: a peer that announces more is not a wizard.
constexpr quint32 MAX_MESSAGE_BYTES = 1 << 20;

QByteArray Encode(const QStringList& arguments) {
  QByteArray body;
  QDataStream bodyStream(&body, QIODevice::WriteOnly);
  bodyStream << arguments;
  QByteArray message;
  QDataStream messageStream(&message, QIODevice::WriteOnly);
  messageStream << static_cast<quint32>(body.size());
  return message + body;
}

}  // namespace

// No socket options: with them the socket is made elsewhere and renamed
// into place, which replaces another wizard's instead of failing.
CSingleInstance::CSingleInstance(QString name) : Name(std::move(name)) {
  QObject::connect(&Server, &QLocalServer::newConnection, this, [this] { TakeConnection(); });
}

// The user's runtime folder is theirs alone; the temporary folder is
// shared, and the socket there is theirs by the umask.
QString CSingleInstance::DefaultName() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime + QStringLiteral("/parcel2-wizard");
  return QStringLiteral("parcel2-%1").arg(::getuid());
}

CSingleInstance::EHandOver CSingleInstance::HandOver(const QStringList& arguments, int timeoutMs) const {
  QLocalSocket socket;
  socket.connectToServer(Name);
  if (!socket.waitForConnected(timeoutMs)) return NONE_RUNNING;
  socket.write(Encode(arguments));
  if (!socket.waitForBytesWritten(timeoutMs)) return NO_ANSWER;
  if (!socket.waitForReadyRead(timeoutMs)) return NO_ANSWER;
  char answer = 0;
  return socket.read(&answer, 1) == 1 && answer == TAKEN ? HANDED_OVER : NO_ANSWER;
}

CSingleInstance::EHandOver CSingleInstance::Claim(const QStringList& arguments) {
  // Twice: a wizard that started at the same moment may have taken the
  // name between this start's knock and its own listening.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const EHandOver handed = HandOver(arguments);
    if (handed != NONE_RUNNING || Listen()) return handed;
  }
  return NONE_RUNNING;
}

bool CSingleInstance::Listen() {
  if (Server.listen(Name)) return true;
  if (Server.serverError() != QAbstractSocket::AddressInUseError) return false;
  // Someone answers under the name: a wizard that started at the same time.
  QLocalSocket probe;
  probe.connectToServer(Name);
  if (probe.waitForConnected(ANSWER_TIMEOUT_MS)) return false;
  // Nobody: the name was left by a wizard that ended without closing it.
  QLocalServer::removeServer(Name);
  return Server.listen(Name);
}

void CSingleInstance::TakeConnection() {
  while (QLocalSocket* socket = Server.nextPendingConnection()) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto received = std::make_shared<QByteArray>();
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, received] {
      *received += socket->readAll();
      quint32 size = 0;
      if (received->size() < static_cast<qsizetype>(sizeof size)) return;
      QDataStream sizeStream(*received);
      sizeStream >> size;
      if (size > MAX_MESSAGE_BYTES) {
        socket->abort();
        return;
      }
      if (received->size() < static_cast<qsizetype>(sizeof size + size)) return;
      QStringList arguments;
      QDataStream argumentStream(received->mid(sizeof size));
      argumentStream >> arguments;
      socket->write(&TAKEN, 1);
      socket->flush();
      socket->disconnectFromServer();
      received->clear();
      if (OnArrival) QTimer::singleShot(0, this, [this, arguments] { OnArrival(arguments); });
    });
  }
}

void BringWizardForward(QWidget* frame) {
  QWidget* window = QApplication::activeModalWidget();
  if (!window || !window->isVisible()) window = frame;
  if (!window || !window->isVisible()) return;
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->raise();
  window->activateWindow();
}
