#pragma once
// The recorder as a media player of the desktop (MPRIS 2 on the session bus): the media panel and
// the media keys reach the transport while the window is in the background, and the panel follows
// the window's state. Main thread only.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <optional>

class TForm1;
class TRemoteControl;

inline const QString MediaPlayerBusName = QStringLiteral("org.mpris.MediaPlayer2.SarvoMp3Recorder");

// What the desktop is shown of the transport at one moment.
struct TPlayerView {
    QString status;                  // "Playing" (recording too), "Paused" or "Stopped"
    QString path;                    // the recording playing, loaded or being made; empty for none
    std::optional<int64_t> lengthUs; // its length; none while it is being recorded
    bool canPlay = false;
    bool canPause = false;
};

TPlayerView PlayerViewOf(const TForm1& form);
// The view's metadata: mpris:trackid, xesam:title and xesam:url, mpris:length when known.
QVariantMap MetadataOf(const TPlayerView& view);

class TMediaControls : public QObject {
    Q_OBJECT
public:
    // Offers the player on the bus; without a bus, or with its name taken, nothing.
    TMediaControls(TForm1& form, TRemoteControl& remote, QDBusConnection bus);

    TForm1& Form() const { return FForm; }
    TRemoteControl& Remote() const { return FRemote; }

private:
    // After the window's state was set: the properties that changed are announced, once.
    void Follow();

    TForm1& FForm;
    TRemoteControl& FRemote;
    QDBusConnection FBus;
    TPlayerView FView;           // as last announced
    bool FFollowPending = false; // a Follow is queued
};
