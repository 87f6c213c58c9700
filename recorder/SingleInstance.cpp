#include "SingleInstance.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <unistd.h>

namespace {

// A connection of its own, which can be closed when this object goes (the default one cannot).
const QString ConnectionName = QStringLiteral("sarvo-mp3-recorder-session");
const QString InstancePath = QStringLiteral("/example/velmarosk/SarvoMp3Recorder");
const QString RefusedError = QStringLiteral("example.velmarosk.SarvoMp3Recorder.Error.NotPossible");
const QString SocketName = QStringLiteral("sarvo-mp3-recorder.socket");
const QString LockName = QStringLiteral("sarvo-mp3-recorder.lock");
constexpr qint64 LongestRequest = 4096; // bytes of one request line on the socket

// Words on the socket: a request is a command's name, then a space and the activation token when
// there is one; the answer "ok" or "refused " + why.
const QByteArray DoneWord = "ok";
const QByteArray RefusedWord = "refused ";

QString Unknown(const QString& name) { return QStringLiteral("unknown command '%1'").arg(name); }

// The toolkit's bus thread still reads messages, and looks their types up by number, while the
// process ends. Its table of types must therefore exist before the bus machinery does, so that it
// is taken down after it: a table made later goes first, and a late message then finds no types.
QDBusConnection ConnectToSessionBus() {
    QMetaType::fromType<QDBusObjectPath>().id();
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, ConnectionName);
}

} // namespace

// What the session bus calls: Command(name, activation token), answered at once, or with an error
// naming why not.
class TInstanceBusObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.velmarosk.SarvoMp3Recorder")
public:
    explicit TInstanceBusObject(TSingleInstance& instance) : QObject(&instance), FInstance(instance) {}

public slots:
    Q_SCRIPTABLE void Command(const QString& name, const QString& activationToken) {
        const QString refusal = FInstance.Answer(name, activationToken);
        if (!refusal.isEmpty()) sendErrorReply(RefusedError, refusal);
    }

private:
    TSingleInstance& FInstance;
};

bool OwnBusName(QDBusConnection& bus, const QString& name, int timeoutMs) {
    constexpr uint DoNotQueue = 4;
    constexpr uint PrimaryOwner = 1, AlreadyOwner = 4;
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << name << DoNotQueue;
    const QDBusMessage reply = bus.call(request, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    const uint result = reply.arguments().constFirst().toUInt();
    return result == PrimaryOwner || result == AlreadyOwner;
}

TSingleInstance::TSingleInstance(bool useBus, QObject* parent)
    : QObject(parent), FBus(useBus ? ConnectToSessionBus() : QDBusConnection(ConnectionName)),
      FUseBus(FBus.isConnected()) {}

TSingleInstance::~TSingleInstance() {
    if (FUseBus) QDBusConnection::disconnectFromBus(ConnectionName);
}

QString TSingleInstance::RuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/sarvo-mp3-recorder-%1").arg(getuid());
    QDir().mkpath(own);
    QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return own;
}

bool TSingleInstance::Claim() { return FUseBus ? ClaimOnBus() : ClaimSocket(); }

TSingleInstance::TReply TSingleInstance::Send(TRemoteCommand command) {
    const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return FUseBus ? SendOnBus(CommandName(command), token) : SendOnSocket(CommandName(command), token);
}

QString TSingleInstance::Answer(const QString& commandName, const QString& activationToken) {
    const std::optional<TRemoteCommand> command = CommandOfName(commandName);
    if (!command) return Unknown(commandName);
    if (!FHandler) return QStringLiteral("the recorder is still starting");
    return FHandler(*command, activationToken);
}

bool TSingleInstance::ClaimOnBus() {
    // The object first, so that a request right after the name is ours finds it.
    auto* object = new TInstanceBusObject(*this);
    FBus.registerObject(InstancePath, object, QDBusConnection::ExportScriptableSlots);
    if (OwnBusName(FBus, InstanceBusName, AnswerTimeoutMs)) return true;
    FBus.unregisterObject(InstancePath);
    delete object;
    return false;
}

TSingleInstance::TReply TSingleInstance::SendOnBus(const QString& commandName,
                                                   const QString& activationToken) {
    QDBusMessage call = QDBusMessage::createMethodCall(InstanceBusName, InstancePath, InstanceBusName,
                                                       QStringLiteral("Command"));
    call << commandName << activationToken;
    call.setAutoStartService(false);
    const QDBusMessage reply = FBus.call(call, QDBus::Block, AnswerTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) return {anDone, {}};
    if (reply.errorName() == RefusedError) return {anRefused, reply.errorMessage()};
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return {anNotRunning, {}};
    return {anNoAnswer, reply.errorMessage()};
}

bool TSingleInstance::ClaimSocket() {
    const QString folder = RuntimeFolder();
    FLock = std::make_unique<QLockFile>(folder + QLatin1Char('/') + LockName);
    FLock->setStaleLockTime(0); // stale only when its process is gone, however long it has run
    if (!FLock->tryLock(0)) {
        FLock.reset();
        return false;
    }
    const QString path = folder + QLatin1Char('/') + SocketName;
    QLocalServer::removeServer(path); // what a recorder that was killed left behind
    FServer = new QLocalServer(this);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer, &QLocalServer::newConnection, this, &TSingleInstance::AnswerSocketClient);
    // Without its socket this recorder still runs; later starts are told it does not answer.
    FServer->listen(path);
    return true;
}

void TSingleInstance::AnswerSocketClient() {
    while (QLocalSocket* client = FServer->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A client that says nothing is let go.
        QTimer::singleShot(AnswerTimeoutMs, client, [client] { client->abort(); });
        connect(client, &QLocalSocket::readyRead, client, [this, client] {
            if (!client->canReadLine() && client->bytesAvailable() < LongestRequest) return;
            const QString line = QString::fromUtf8(client->readLine(LongestRequest).trimmed());
            QObject::disconnect(client, &QLocalSocket::readyRead, client, nullptr); // one request a client
            const QString refusal =
                Answer(line.section(QLatin1Char(' '), 0, 0), line.section(QLatin1Char(' '), 1));
            const QByteArray answer =
                refusal.isEmpty() ? DoneWord : RefusedWord + refusal.toUtf8().replace('\n', ' ');
            client->write(answer + '\n');
            client->disconnectFromServer();
        });
    }
}

TSingleInstance::TReply TSingleInstance::SendOnSocket(const QString& commandName,
                                                      const QString& activationToken) {
    QLocalSocket socket;
    socket.connectToServer(RuntimeFolder() + QLatin1Char('/') + SocketName);
    if (!socket.waitForConnected(AnswerTimeoutMs)) {
        const bool absent = socket.error() == QLocalSocket::ServerNotFoundError ||
                            socket.error() == QLocalSocket::ConnectionRefusedError;
        return {absent ? anNotRunning : anNoAnswer, socket.errorString()};
    }
    const QString request =
        activationToken.isEmpty() ? commandName : commandName + QLatin1Char(' ') + activationToken;
    socket.write(request.toUtf8() + '\n');
    const QDeadlineTimer deadline(AnswerTimeoutMs);
    while (!socket.canReadLine() && !deadline.hasExpired() && socket.state() == QLocalSocket::ConnectedState)
        socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    const QByteArray answer = socket.readLine().trimmed();
    if (answer == DoneWord) return {anDone, {}};
    if (answer.startsWith(RefusedWord)) return {anRefused, QString::fromUtf8(answer.mid(RefusedWord.size()))};
    return {anNoAnswer, QStringLiteral("the running recorder did not answer")};
}

#include "SingleInstance.moc"
