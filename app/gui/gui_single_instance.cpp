#include "gui_single_instance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

namespace kvgui {

namespace {

QString DefaultFolder() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  return dir;
}

}  // namespace

SingleInstance::SingleInstance(const QString& folder) : folder_(folder.isEmpty() ? DefaultFolder() : folder) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

bool SingleInstance::Acquire() {
  QDir().mkpath(folder_);
  lock_ = std::make_unique<QLockFile>(folder_ + "/korvane.lock");
  // A lock left by a dead instance is taken over (its process id is gone).
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    lock_.reset();
    return false;
  }
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // Holding the lock, any socket file is stale.
  QLocalServer::removeServer(SocketPath());
  if (!server_->listen(SocketPath())) qWarning("korvane: cannot listen on %s", qPrintable(SocketPath()));
  connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::Accept);
  return true;
}

void SingleInstance::Accept() {
  while (QLocalSocket* s = server_->nextPendingConnection()) {
    connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    connect(s, &QLocalSocket::readyRead, this, [this, s] {
      // Wait for the length, then for the whole path; anything oversized or
      // malformed closes the connection unanswered.
      if (s->bytesAvailable() < 4) return;
      uchar head[4];
      s->peek(reinterpret_cast<char*>(head), 4);
      quint32 n = qFromBigEndian<quint32>(head);
      if (n > kMaxHandOverBytes) {
        s->abort();
        return;
      }
      if (s->bytesAvailable() < static_cast<qint64>(4 + n)) return;
      s->read(4);
      QByteArray bytes = s->read(n);
      s->disconnect(this);
      QString path = QString::fromUtf8(bytes);
      bool sound = !bytes.contains('\0') && (path.isEmpty() || QDir::isAbsolutePath(path));
      if (!sound) {
        s->abort();
        return;
      }
      s->write("K", 1);
      s->flush();
      s->disconnectFromServer();
      emit fileReceived(path);
    });
  }
}

bool SingleInstance::HandOver(const QString& path, int wait_ms) {
  QByteArray bytes = path.isEmpty() ? QByteArray() : QFileInfo(path).absoluteFilePath().toUtf8();
  if (static_cast<quint32>(bytes.size()) > kMaxHandOverBytes) return false;
  QDeadlineTimer deadline(wait_ms);
  QLocalSocket socket;
  for (;;) {
    socket.connectToServer(SocketPath());
    if (socket.waitForConnected(qMax<qint64>(1, qMin<qint64>(500, deadline.remainingTime())))) break;
    socket.abort();
    // The first instance holds the lock but may not listen yet.
    if (deadline.hasExpired()) return false;
    QThread::msleep(50);
  }
  uchar head[4];
  qToBigEndian<quint32>(static_cast<quint32>(bytes.size()), head);
  socket.write(reinterpret_cast<const char*>(head), 4);
  socket.write(bytes);
  if (!socket.waitForBytesWritten(qMax<qint64>(1, deadline.remainingTime()))) return false;
  while (socket.bytesAvailable() < 1) {
    if (deadline.hasExpired() || !socket.waitForReadyRead(qMax<qint64>(1, deadline.remainingTime()))) return false;
  }
  char ack = 0;
  socket.read(&ack, 1);
  return ack == 'K';
}

}  // namespace kvgui
