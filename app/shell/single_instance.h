// One running copy per user: the first start holds a lock file and listens
// on a local socket; a later start hands its request to the first and ends.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace udare::shell {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Result {
        First,         // we are the running copy; requests arrive by signal
        HandedOver,    // another copy runs and took our request
        NoWindow,      // another copy holds the lock but does not answer
        Failed,        // the lock could not be created at all
    };

    // name: lock and socket name; dir: where the lock file lives.
    SingleInstance(const QString& name, const QString& dir, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Take the lock, or hand `file` (may be empty) to the running copy.
    Result start(const QString& file, int timeoutMs = 3000);
    QString serverName() const { return serverName_; }

signals:
    void activateRequested();
    void openRequested(const QString& file);

private:
    void onConnection();
    bool handOver(const QString& file, int timeoutMs);

    QString serverName_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace udare::shell
