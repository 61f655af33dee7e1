#include "app/single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace mg {
namespace {

constexpr int kAnswerMs = 2000;
const QByteArray kActivate = "activate\n";
const QByteArray kDone = "ok\n";

}  // namespace

QString SingleInstance::DefaultSocketPath() {
  QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
  for (QChar& c : display)
    if (!c.isLetterOrNumber() && c != '.') c = '_';
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return QDir(folder).filePath(QStringLiteral("movigram-") + display);
}

SingleInstance::SingleInstance(QString socketPath)
    : path_(socketPath.isEmpty() ? DefaultSocketPath() : std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();  // removes the socket
}

bool SingleInstance::HandOverToRunning() {
  QLockFile lock(path_ + QStringLiteral(".lock"));
  lock.setStaleLockTime(10000);
  // Without the lock (a folder we cannot write) the check below still serves a lone start.
  const bool locked = lock.tryLock(5000);

  QLocalSocket running;
  running.connectToServer(path_);
  if (running.waitForConnected(kAnswerMs)) {
    running.write(kActivate);
    running.waitForBytesWritten(kAnswerMs);
    // The answer tells that the request arrived; a running one busy in a box answers later.
    while (!running.canReadLine() && running.waitForReadyRead(kAnswerMs)) {
    }
    return true;
  }

  // No one answers: any socket there is a crashed Movigram's.
  QLocalServer::removeServer(path_);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(path_)) {
    server_.reset();
    return false;
  }
  connect(server_.get(), &QLocalServer::newConnection, this, [this] { Accept(); });
  if (locked) lock.unlock();
  return false;
}

void SingleInstance::Accept() {
  while (QLocalSocket* client = server_->nextPendingConnection()) {
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
      if (!client->canReadLine()) return;
      const QByteArray request = client->readLine();
      client->write(kDone);
      client->flush();
      client->disconnectFromServer();
      if (request == kActivate && activate_) activate_();
    });
  }
}

}  // namespace mg
