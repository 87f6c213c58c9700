#include "UnitInfos.h"

#include "MessageBoxes.h"
#include "ShellServices.h"
#include "WindowHost.h"
#include "uLanguages.h"
#include "wydlibs.h"

#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>

namespace {

const QColor Dark(0x1A, 0x63, 0x70);  // $70631A
const QColor Cream(0xFF, 0xFB, 0xF0); // clCream
const QColor Grey(0x44, 0x44, 0x44);
const QColor Teal(0x00, 0x80, 0x80);
const QColor Aqua(0x00, 0xFF, 0xFF);
const QString NoTermsOfUse = QStringLiteral("Fichier de licence introuvable.");
constexpr int Width = 950, Height = 760, LeftWidth = 337;

QFont Face(const QString& face, int pixels, QFont::Weight weight = QFont::Normal, bool italic = false) {
    QFont font = ShellServices::Font(face, pixels);
    font.setWeight(weight);
    font.setItalic(italic);
    return font;
}

QFrame* Panel(QWidget* parent, const QRect& place, const QColor& background) {
    auto* panel = new QFrame(parent);
    panel->setGeometry(place);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, background);
    panel->setPalette(palette);
    return panel;
}

// A right-aligned label that grows to the left to show all of its text, its right edge staying put.
void FitLeftward(QLabel& label) {
    const int right = label.geometry().right();
    const int width = std::max(label.width(), label.sizeHint().width());
    label.setGeometry(std::max(0, right + 1 - width), label.y(), std::min(width, right + 1), label.height());
}

void SetColour(QLabel& label, const QColor& colour) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, colour);
    label.setPalette(palette);
}

QLabel* Label(QWidget* parent, const QRect& place, const QFont& font, const QColor& colour,
              Qt::Alignment alignment) {
    auto* label = new QLabel(parent);
    label->setGeometry(place);
    label->setFont(font);
    label->setAlignment(alignment);
    SetColour(*label, colour);
    return label;
}

// The list's picture, drawn from its 2× pictures when the screen is dense.
QLabel* Picture(QWidget* parent, const QRect& place, const TwydPngListe& pictures, int index) {
    auto* image = new QLabel(parent);
    image->setGeometry(place);
    image->setAlignment(Qt::AlignCenter);
    image->setPixmap(PixmapAt(&pictures, index, image->devicePixelRatio()));
    return image;
}

// The slogan: three lines in a handwriting face, turned 10 degrees up.
class TSlogan : public QWidget {
public:
    TSlogan(QWidget* parent, const TInfos& owner) : QWidget(parent), FOwner(owner) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(font());
        p.setPen(Dark);
        p.translate(0, height() / 3.0);
        p.rotate(-10);
        p.drawText(QRect(0, 0, width() + 40, height()), Qt::AlignLeft | Qt::AlignTop, FOwner.SloganText());
    }

private:
    const TInfos& FOwner;
};

} // namespace

TInfos::TInfos(TWindowHost& main)
    : QDialog(main.HostWindow(), Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FMain(main) {
    setFixedSize(Width, Height);
    setModal(true);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Dark);
    setPalette(palette);
    setFont(Face(QStringLiteral("Tahoma"), 11));
    FPictures.LoadWithDouble(QStringLiteral(":/Skins/About"));
    CreateLeftPanel();
    CreateRightPanel();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(Width / 2, Height / 2));
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    FormCreate();
}

void TInfos::CreateLeftPanel() {
    QFrame* left = Panel(this, QRect(1, 1, LeftWidth, Height - 2), Dark);
    const QFont light = Face(QStringLiteral("Segoe UI Light"), 33, QFont::Light);
    Label1 = Label(left, QRect(21, 22, 295, 45), light, Cream, Qt::AlignRight | Qt::AlignVCenter);
    Label2 =
        Label(left, QRect(136, 74, 176, 23), Face(QStringLiteral("Segoe UI Light"), 17, QFont::Light, true),
              Cream, Qt::AlignRight | Qt::AlignVCenter);
    Label3 = Label(left, QRect(144, 102, 168, 32), Face(QStringLiteral("Segoe UI Light"), 24, QFont::Light),
                   Cream, Qt::AlignRight | Qt::AlignVCenter);
    const int footerTop = left->height() - 192;
    Image1 = Picture(left, QRect(0, 140, LeftWidth, footerTop - 140), FPictures, 0);
    LabelTrouvezDoc = Label(left, QRect(27, footerTop, 310, 112),
                            Face(QStringLiteral("Segoe UI Semilight"), 20, QFont::Normal), Cream,
                            Qt::AlignLeft | Qt::AlignTop);
    velmaroskLink = Label(left, QRect(26, footerTop + 192 - 28 - 37, LeftWidth - 26, 37),
                          Face(QStringLiteral("Segoe UI Light"), 27, QFont::Light), Cream,
                          Qt::AlignLeft | Qt::AlignVCenter);
    velmaroskLink->setText(QStringLiteral(SARVO_MAKER_DOMAIN));
    velmaroskLink->setFocusPolicy(Qt::TabFocus);
    velmaroskLink->installEventFilter(this);
}

void TInfos::CreateRightPanel() {
    const int width = Width - LeftWidth - 2;
    QFrame* right = Panel(this, QRect(1 + LeftWidth, 1, width, Height - 2), QColor(0xFE, 0xFE, 0xFE));
    LabelCountdown = Label(right, QRect(563, 8, 40, 22), Face(QStringLiteral("Segoe UI"), 16),
                           ColorToQColor(clWindowText, QGuiApplication::palette()), Qt::AlignCenter);
    LabelCountdown->setText(QStringLiteral("6"));
    LabelDecouvrezOrvan = Label(right, QRect(54, 32, 307, 138), Face(QStringLiteral("Segoe UI"), 17), Grey,
                                Qt::AlignLeft | Qt::AlignTop);
    LabelDecouvrezOrvan->setWordWrap(true);
    LabelSlogan = new TSlogan(right, *this);
    LabelSlogan->setGeometry(378, 26, 199 + 30, 160);
    LabelSlogan->setFont(Face(QStringLiteral("Segoe Print"), 19, QFont::Normal, true));
    LabelLinkOrvan =
        Label(right, QRect(54, 176, 523, 37), Face(QStringLiteral("Segoe UI Light"), 27, QFont::Light), Grey,
              Qt::AlignLeft | Qt::AlignVCenter);
    LabelLinkOrvan->setFocusPolicy(Qt::TabFocus);
    LabelLinkOrvan->installEventFilter(this);
    const int memoTop = right->height() - 28 - 123;
    ImageOrvan = Picture(right, QRect(width - 569, 210, 569, memoTop - 210), FPictures, 1);
    MemoLicense = new QPlainTextEdit(right);
    MemoLicense->setGeometry(54, memoTop, width - 108, 123);
    MemoLicense->setReadOnly(true);
    MemoLicense->setFrameShape(QFrame::NoFrame);
    MemoLicense->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLicense->setFont(Face(QStringLiteral("Segoe UI"), 12));
    QPalette memo = MemoLicense->palette();
    memo.setColor(QPalette::Base, QColor(0xFE, 0xFE, 0xFE));
    memo.setColor(QPalette::Text, Grey);
    MemoLicense->setPalette(memo);
    QFile builtIn(QStringLiteral(":/Licence-en.txt"));
    if (builtIn.open(QIODevice::ReadOnly)) MemoLicense->setPlainText(QString::fromUtf8(builtIn.readAll()));
}

void TInfos::FormCreate() {
    SetLanguage(FMain.Language().localize(QStringLiteral("wyd_Language")));
    Countdown = LabelCountdown->text().toInt();
    Timer1.start();
}

QString TInfos::SloganText() const { return FMain.Language().localize(QStringLiteral("infos_wydSlogan")); }

void TInfos::SetLanguage(const QString& lang) {
    FMain.ChangeLanguage(lang);
    const TLanguage& table = FMain.Language();
    setWindowTitle(QStringLiteral(" ") + table.localize(QStringLiteral("infos_Title")));
    Label1->setText(table.localize(QStringLiteral("infos_Header1")));
    Label2->setText(table.localize(QStringLiteral("infos_Header2")));
    Label3->setText(table.localize(QStringLiteral("infos_Header3")));
    for (QLabel* header : {Label1, Label2, Label3}) FitLeftward(*header);
    LabelTrouvezDoc->setText(table.localize(QStringLiteral("infos_Footer1")));
    LabelDecouvrezOrvan->setText(table.localize(QStringLiteral("infos_BlablaOrvan")));
    LabelSlogan->update();
    LabelLinkOrvan->setText(table.localize(QStringLiteral("infos_OrvanLinkText")));
    MemoLicense->setAccessibleName(FMain.AccessText(QStringLiteral("infos_TermsOfUse")));
    if (!LoadTermsOfUse(lang)) FMain.Boxes().ShowMessage(nullptr, NoTermsOfUse);
}

bool TInfos::LoadTermsOfUse(const QString& lang) {
    // The working folder first; then the program's own, so a launcher started from anywhere finds it.
    const QString name = QStringLiteral("Licence-") + lang + QStringLiteral(".txt");
    for (const QString& path : {QStringLiteral("./") + name, FMain.ProgramFolder() + name}) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        MemoLicense->setPlainText(QString::fromUtf8(file.readAll()));
        return true;
    }
    return false;
}

void TInfos::Timer1Timer() {
    const int shown = LabelCountdown->text().toInt();
    if (Countdown >= 2) {
        Countdown = shown - 1;
        LabelCountdown->setText(QString::number(Countdown));
    } else if (Countdown == 1) {
        Countdown = shown - 1;
        close();
    } else {
        Countdown = shown - 1;
        LabelCountdown->clear();
        Timer1.stop();
        // From now on an ordinary dialog for the about button. New flags hide a window, and the
        // about button may have shown it already: it stays up.
        const bool shown = isVisible();
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowCloseButtonHint);
        setModal(false);
        if (shown) show();
    }
}

void TInfos::OpenLink(QLabel* link) {
    const QString key =
        link == velmaroskLink ? QStringLiteral("infos_velmaroskUrl") : QStringLiteral("infos_orvanUrl");
    QDesktopServices::openUrl(QUrl(FMain.Language().localize(key)));
}

bool TInfos::eventFilter(QObject* watched, QEvent* event) {
    auto* link = qobject_cast<QLabel*>(watched);
    if (link != velmaroskLink && link != LabelLinkOrvan) return QDialog::eventFilter(watched, event);
    const bool dark = link == velmaroskLink;
    switch (event->type()) {
    case QEvent::Enter:
        SetColour(*link, dark ? Aqua : Teal);
        link->setCursor(Qt::PointingHandCursor);
        break;
    case QEvent::Leave:
        SetColour(*link, dark ? Cream : Grey);
        link->unsetCursor();
        break;
    case QEvent::MouseButtonRelease:
        OpenLink(link);
        break;
    case QEvent::KeyPress: // a link that has the focus opens with Space or Return, as a button would
        if (const auto* key = static_cast<QKeyEvent*>(event);
            IsActivationKey(key->key()) && !key->isAutoRepeat()) {
            OpenLink(link);
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
