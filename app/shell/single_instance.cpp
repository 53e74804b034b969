#include "shell/single_instance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

namespace udare::shell {

namespace {
// One line per request: "activate" alone, or "open <absolute path>".
constexpr char kActivate[] = "activate";
constexpr char kOpen[] = "open ";
constexpr qint64 kMaxRequest = 8192;
}  // namespace

SingleInstance::SingleInstance(const QString& name, const QString& dir, QObject* parent)
    : QObject(parent),
      serverName_(QStringLiteral("%1-%2").arg(name).arg(getuid())),
      lock_(QDir(dir).filePath(name + QStringLiteral(".lock"))) {
    lock_.setStaleLockTime(0);  // a lock whose process is gone is stale at once
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Result SingleInstance::start(const QString& file, int timeoutMs) {
    if (lock_.tryLock(0)) {
        server_ = std::make_unique<QLocalServer>();
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        QLocalServer::removeServer(serverName_);
        server_->listen(serverName_);
        connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::onConnection);
        return Result::First;
    }
    if (lock_.error() != QLockFile::LockFailedError) return Result::Failed;
    return handOver(file, timeoutMs) ? Result::HandedOver : Result::NoWindow;
}

bool SingleInstance::handOver(const QString& file, int timeoutMs) {
    QByteArray msg = kActivate;
    if (!file.isEmpty()) msg = kOpen + QFileInfo(file).absoluteFilePath().toUtf8();
    msg += '\n';
    // The first copy may still be starting: try for a while.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        QLocalSocket s;
        s.connectToServer(serverName_);
        if (s.waitForConnected(500)) {
            s.write(msg);
            if (!s.waitForBytesWritten(1000)) return false;
            // The answer tells us the request was taken.
            if (s.waitForReadyRead(std::max<int>(500, timeoutMs - int(t.elapsed()))))
                return s.readAll().startsWith("ok");
            return false;
        }
        QThread::msleep(100);
    }
    return false;
}

void SingleInstance::onConnection() {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
            if (!s->canReadLine()) {
                if (s->bytesAvailable() > kMaxRequest) s->abort();
                return;
            }
            const QByteArray line = s->readLine(kMaxRequest).trimmed();
            s->write("ok\n");
            s->flush();
            emit activateRequested();
            if (line.startsWith(kOpen)) {
                const QString path = QString::fromUtf8(line.mid(int(sizeof(kOpen)) - 1));
                if (!path.isEmpty()) emit openRequested(path);
            }
        });
    }
}

}  // namespace udare::shell
