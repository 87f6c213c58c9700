#include "MediaControls.h"

#include "RemoteControl.h"
#include "SingleInstance.h"
#include "Unit1.h"

#include <QCryptographicHash>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

namespace {

const QString PlayerObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString NoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
const QString TrackPrefix = QStringLiteral("/example/velmarosk/SarvoMp3Recorder/Recording/");

QString StatusOf(TflState state) {
    switch (state) {
    case flPlay:
    case flRecord:
        return QStringLiteral("Playing");
    case flPause:
    case flRecPause:
        return QStringLiteral("Paused");
    case flStop:
        break;
    }
    return QStringLiteral("Stopped");
}

QString PathOf(const std::string& fileName) { return QFile::decodeName(QByteArray::fromStdString(fileName)); }

// A recording's id on the bus: stable for its path, and a valid object path whatever its name.
QString TrackIdOf(const QString& path) {
    return TrackPrefix +
           QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Md5).toHex());
}

} // namespace

TPlayerView PlayerViewOf(const TForm1& form) {
    TPlayerView view;
    const TflState state = form.flagState();
    view.status = StatusOf(state);
    if (form.RecordingOpen()) {
        view.path = PathOf(form.MP3Out1.FileName());
    } else if (!form.mp3player.FileName().empty()) {
        view.path = PathOf(form.mp3player.FileName());
        view.lengthUs = form.mp3player.Length() * 1000;
    }
    view.canPlay = state == flPlay || form.RemoteRefusal(rcPlay).isEmpty();
    view.canPause = state != flStop;
    return view;
}

QVariantMap MetadataOf(const TPlayerView& view) {
    if (view.path.isEmpty())
        return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(NoTrack))}};
    QVariantMap metadata{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackIdOf(view.path)))},
        {QStringLiteral("xesam:title"), RemoveExtension(QFileInfo(view.path).fileName())},
        {QStringLiteral("xesam:url"), QUrl::fromLocalFile(view.path).toString(QUrl::FullyEncoded)},
    };
    if (view.lengthUs)
        metadata.insert(QStringLiteral("mpris:length"), QVariant::fromValue<qlonglong>(*view.lengthUs));
    return metadata;
}

// org.mpris.MediaPlayer2: the application.
class TMprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit TMprisRoot(TMediaControls& controls) : QDBusAbstractAdaptor(&controls), FControls(controls) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Sarvo MP3 Recorder"); }
    QString DesktopEntry() const { return InstanceBusName; }
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

public slots:
    void Raise() { FControls.Remote().Request(rcRaise); }
    // As the window's close button: a recording in progress is finished first.
    void Quit() {
        QTimer::singleShot(0, &FControls.Form(), [form = &FControls.Form()] { form->close(); });
    }

private:
    TMediaControls& FControls;
};

// org.mpris.MediaPlayer2.Player: the transport, mapped as the window's keys map the media keys.
class TMprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ No)
    Q_PROPERTY(bool CanGoPrevious READ No)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ No)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit TMprisPlayer(TMediaControls& controls) : QDBusAbstractAdaptor(&controls), FControls(controls) {}
    QString PlaybackStatus() const { return Now().status; }
    QVariantMap Metadata() const { return MetadataOf(Now()); }
    // Microseconds into the recording playing, or recorded so far.
    qlonglong Position() const {
        TForm1& form = FControls.Form();
        if (form.RecordingOpen()) return qlonglong{form.MP3Out1.TimeElapsed()} * 1000000;
        return form.mp3player.FileName().empty() ? 0 : form.mp3player.Position() * 1000;
    }
    double Rate() const { return 1.0; }
    bool No() const { return false; }
    bool CanPlay() const { return Now().canPlay; }
    bool CanPause() const { return Now().canPause; }
    bool CanControl() const { return true; }

public slots:
    void PlayPause() { FControls.Remote().Request(rcPlay); }
    void Play() { FControls.Remote().Request(rcPlay); }
    // Pausing what is already paused has no effect, where the window's Pause would go on.
    void Pause() {
        const TflState state = FControls.Form().flagState();
        if (state == flPlay || state == flRecord) FControls.Remote().Request(rcPause);
    }
    void Stop() { FControls.Remote().Request(rcStop); }

private:
    TPlayerView Now() const { return PlayerViewOf(FControls.Form()); }
    TMediaControls& FControls;
};

TMediaControls::TMediaControls(TForm1& form, TRemoteControl& remote, QDBusConnection bus)
    : FForm(form), FRemote(remote), FBus(std::move(bus)) {
    if (!FBus.isConnected()) return;
    new TMprisRoot(*this);
    new TMprisPlayer(*this);
    FView = PlayerViewOf(form);
    FBus.registerObject(PlayerObjectPath, this, QDBusConnection::ExportAdaptors);
    if (!OwnBusName(FBus, MediaPlayerBusName, TSingleInstance::AnswerTimeoutMs)) {
        FBus.unregisterObject(PlayerObjectPath);
        return;
    }
    connect(&form, &TForm1::flagStateChanged, this, [this] {
        if (FFollowPending) return;
        FFollowPending = true;
        QTimer::singleShot(0, this, [this] { Follow(); });
    });
}

void TMediaControls::Follow() {
    FFollowPending = false;
    const TPlayerView now = PlayerViewOf(FForm);
    QVariantMap changed;
    if (now.status != FView.status) changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (now.path != FView.path || now.lengthUs != FView.lengthUs)
        changed.insert(QStringLiteral("Metadata"), MetadataOf(now));
    if (now.canPlay != FView.canPlay) changed.insert(QStringLiteral("CanPlay"), now.canPlay);
    if (now.canPause != FView.canPause) changed.insert(QStringLiteral("CanPause"), now.canPause);
    FView = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal =
        QDBusMessage::createSignal(PlayerObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << changed << QStringList();
    FBus.send(signal);
}

#include "MediaControls.moc"
