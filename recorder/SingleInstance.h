#pragma once
// One recorder per user session. The first start owns a name on the session bus (without a bus, a
// lock and a local socket in $XDG_RUNTIME_DIR) and answers the requests of later starts, which
// hand it their command and end. Every wait here is bounded by AnswerTimeoutMs.
// Main thread only.

#include "CommandLine.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

// The recorder's name on the session bus, the launcher's id.
inline const QString InstanceBusName = QStringLiteral("example.velmarosk.SarvoMp3Recorder");

// Asks the bus for a well-known name without queueing for it, waiting at most timeoutMs; true
// when this connection owns the name.
bool OwnBusName(QDBusConnection& bus, const QString& name, int timeoutMs);

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    static constexpr int AnswerTimeoutMs = 2000;

    enum TAnswer { anDone, anRefused, anNotRunning, anNoAnswer };
    struct TReply {
        TAnswer answer;
        QString reason; // why it was refused, or what went wrong in asking
    };
    // What the session's recorder does with a request: empty when it is done (or under way),
    // otherwise why it is not possible. activationToken: the asking start's XDG_ACTIVATION_TOKEN,
    // with which its window may come to the front.
    using THandler = std::function<QString(TRemoteCommand, const QString& activationToken)>;

    // useBus false: the local socket only, as on a desktop without a session bus.
    explicit TSingleInstance(bool useBus = true, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when this process is now the session's recorder; false when another one is.
    bool Claim();
    // Hands a command, with this start's activation token, to the session's recorder and waits
    // for its answer.
    TReply Send(TRemoteCommand command);
    // Until a handler is set, requests are refused as the recorder still starting.
    void SetHandler(THandler handler) { FHandler = std::move(handler); }
    bool UsesBus() const { return FUseBus; }
    // This process's connection to the session bus (not connected without a bus).
    QDBusConnection& Bus() { return FBus; }
    // Where the lock and the socket live without a bus: $XDG_RUNTIME_DIR, or a private folder of
    // this user under the temporary folder.
    static QString RuntimeFolder();

    // The bus side calls this; a request in words, answered in words.
    QString Answer(const QString& commandName, const QString& activationToken);

private:
    bool ClaimOnBus();
    bool ClaimSocket();
    TReply SendOnBus(const QString& commandName, const QString& activationToken);
    TReply SendOnSocket(const QString& commandName, const QString& activationToken);
    void AnswerSocketClient();

    QDBusConnection FBus;
    bool FUseBus;
    THandler FHandler;
    std::unique_ptr<QLockFile> FLock; // held for the life of the recorder that owns the socket
    QLocalServer* FServer = nullptr;
};
