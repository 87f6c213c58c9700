// The window's definition: the controls, where they sit, and how they follow the width.

#include "ShellServices.h"
#include "Unit1.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>

namespace {

constexpr int StatusBarHeight = 26;
constexpr int BannerHeight = 143;
constexpr TColor clMedGray = 0x00A4A0A0;
constexpr TColor BuiltInTextColour = 0x00668384;
constexpr TColor ProgressColour = 0x002DCFFF;

QColor Colour(TColor value) { return ColorToQColor(value, QApplication::palette()); }

void SetTextColour(QWidget& widget, TColor colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, Colour(colour));
    widget.setPalette(palette);
}

constexpr int LabelEdgeMargin = 6; // kept clear inside the parent's right edge, where the clock's face ends
constexpr int SmallestLabelPixels = 9;
const char* const DesignPixelsProperty = "sarvoDesignPixels";

// The character height the window's definition gave the label, before any text made it smaller.
int DesignPixels(QLabel& label) {
    if (!label.property(DesignPixelsProperty).isValid())
        label.setProperty(DesignPixelsProperty, label.font().pixelSize());
    return label.property(DesignPixelsProperty).toInt();
}

} // namespace

void SetLabelText(QLabel& label, const QString& text) {
    // A text too long for the room left in the parent is drawn smaller rather than cut.
    QFont font = label.font();
    font.setPixelSize(DesignPixels(label));
    const int room = label.parentWidget()->width() - label.x() - LabelEdgeMargin;
    while (font.pixelSize() > SmallestLabelPixels && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPixelSize(font.pixelSize() - 1);
    label.setFont(font);
    label.setText(text);
    label.resize(label.sizeHint().width(), label.height());
}

void TStatusBar1::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect panel(0, 0, std::min(400, width()), height());
    p.fillRect(rect(), palette().color(QPalette::Button));
    p.setPen(QColor(26, 99, 112));
    p.setFont(font());
    p.drawText(panel.adjusted(10, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, PanelText);
}

TwydPngButton* TForm1::NewButton(int first, int x, int y) {
    auto* button = new TwydPngButton(Panel1);
    button->SetColorBg(clNone);
    button->SetShowCaption(false);
    button->SetPngListe(wydPngListe1);
    button->SetIndexDown(first + 1);
    button->SetIndexMouseOver(first + 2);
    button->SetIndexDisabled(first + 3);
    button->SetIndexNormal(first);
    button->move(x + 1, y + 1); // inside the panel's one-pixel border
    button->SetAutosize(true);
    return button;
}

TwydSlider* TForm1::NewVolumeSlider(int x, int knob, int position) {
    auto* slider = new TwydSlider(Panel1);
    slider->setGeometry(x + 1, 15, 32, 99);
    slider->SetOrientation(orVertical);
    slider->SetPngListe(wydPngListe1);
    slider->SetIndexKnob(knob);
    slider->SetIndexBackground(16);
    slider->SetColorKnob(clHighlight);
    slider->SetColorBg(clNone);
    slider->SetShowCaption(false);
    slider->SetPaddingStart(16);
    slider->SetPaddingEnd(16);
    slider->SetThickness(4);
    slider->SetPosition(position);
    return slider;
}

void TForm1::CreateControls() {
    setFont(ShellServices::Font(QStringLiteral("Segoe UI"), 15));
    wydPngListe1 = new TwydPngListe(this);
    wydPngListe1->LoadWithDouble(
        QStringLiteral(":/Skins/Vintage-Skin")); // drawn before any skin file is read

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true);
    QPalette grey = Panel1->palette();
    grey.setColor(QPalette::Window, Colour(clMedGray));
    Panel1->setPalette(grey);

    wydPngButton1 = new TwydPngButton(Panel1);
    wydPngButton1->SetColorBg(cl3DLight);
    wydPngButton1->SetShowCaption(false);
    wydPngButton1->SetPngListe(wydPngListe1);
    wydPngButton1->SetIndexDisabled(29);
    wydPngButton1->SetIndexNormal(29);
    wydPngButton1->setEnabled(false);

    // Autosize comes before the list in the definition, so the frame keeps its own size.
    FondPlayer = new TwydExtImage(Panel1);
    FondPlayer->setGeometry(9, 26, 245, 83);
    FondPlayer->SetAutosize(true);
    FondPlayer->SetColorBg(clNone);
    FondPlayer->SetShowCaption(false);
    FondPlayer->SetPngListe(wydPngListe1);
    FondPlayer->SetIndexBgLeft(30);
    FondPlayer->SetIndexBgCenter(31);
    FondPlayer->SetIndexBgRight(32);
    FondPlayer->SetPaddingLeft(121);
    FondPlayer->SetPaddingRight(38);
    FondPlayer->setEnabled(false);

    wydRecord = NewButton(0, 16, 37);
    wydPlay = NewButton(4, 92, 37);
    wydPause = NewButton(12, 141, 37);
    wydStop = NewButton(8, 189, 37);
    SliderMicro = NewVolumeSlider(259, 24, 50);
    SliderOutput = NewVolumeSlider(496, 25, 100);

    Cadran = new TwydPanel(Panel1);
    Cadran->setGeometry(298, 15, 193, 104);
    Cadran->SetColorBackground(0x00EEEEEE);
    Cadran->SetColorBorder(clNone);
    Cadran->SetPngListe(wydPngListe1);
    Cadran->SetIndexBackground(28);
    Cadran->setFont(ShellServices::Font(QStringLiteral("Segoe UI"), 37));
    Cadran->SetCaption(QStringLiteral("00:00:00"));
    Labelboutons = new QLabel(Cadran);
    Labelboutons->setGeometry(23, 5, 69, 21);
    Labelboutons->setFont(ShellServices::Font(QStringLiteral("Segoe UI"), 16));
    VolumeLabel = new QLabel(Cadran);
    VolumeLabel->setGeometry(109, 79, 71, 17);
    VolumeLabel->setFont(ShellServices::Font(QStringLiteral("Segoe UI"), 13));
    SetLabelText(*VolumeLabel, QStringLiteral("Volume: 100"));
    InputVuMeter = new TwydVProgress(Cadran);
    InputVuMeter->setGeometry(4, 4, 12, 98);
    InputVuMeter->SetPaddingTop(0);
    InputVuMeter->SetPaddingBottom(0);
    InputVuMeter->SetMini(-35);
    InputVuMeter->SetMaxi(3);
    InputVuMeter->SetGutterWidth(4);
    InputVuMeter->SetColorBg(clNone);
    InputVuMeter->SetColorGutterOff(clNone);
    InputVuMeter->SetPosition(-35);
    VuCircle = new TwydPngButton(Cadran);
    VuCircle->move(17, 79);
    VuCircle->SetColorBg(clNone);
    VuCircle->SetShowCaption(false);
    VuCircle->SetPngListe(wydPngListe1);
    VuCircle->SetIndexNormal(19);
    VuCircle->SetAutosize(true);

    wydConfigButton = NewButton(17, 676, 16);
    wydConfigButton->SetIndexDown(17);
    wydConfigButton->SetIndexMouseOver(18);
    wydInfoButton = NewButton(26, 676, 83);
    wydInfoButton->SetIndexDown(26);
    wydInfoButton->SetIndexMouseOver(27);

    Progres2 = new TwydSlider(Panel1);
    Progres2->setGeometry(2, 124, 707, 20);
    Progres2->SetInteractive(0);
    Progres2->SetPaddingStart(0);
    Progres2->SetPaddingEnd(0);
    Progres2->SetThickness(4);
    Progres2->SetShowCaption(false);
    Progres2->SetColorBg(clNone);
    Progres2->SetColorKnob(clNone);
    Progres2->SetColorGutterOff(clBtnShadow);
    Progres2->SetColorGutterOn(ProgressColour);
    Progres2->SetPosition(0);

    Mp3List = new QTreeWidget(Panel1);
    Mp3List->setColumnCount(4);
    Mp3List->setRootIsDecorated(false);
    Mp3List->setSelectionMode(QAbstractItemView::SingleSelection);
    Mp3List->setSelectionBehavior(QAbstractItemView::SelectRows);
    Mp3List->setFrameShape(QFrame::NoFrame);
    Mp3List->setUniformRowHeights(true);
    Mp3List->setFont(ShellServices::Font(QStringLiteral("Segoe UI"), 15));
    Mp3List->header()->setSectionsClickable(true);
    Mp3List->header()->setSectionsMovable(false);
    Mp3List->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    StatusBar1 = new TStatusBar1(this);
    StatusBar1->setFont(ShellServices::Font(QStringLiteral("Segoe UI"), 13));
    ComboRecLines = new QComboBox(this);
    ComboRecLines->hide();
    ApplySystemColours();
    ApplySkinColour(BuiltInTextColour);
    SetUpAccess();
}

// The system colours the window names, from the desktop's current palette, light or dark.
void TForm1::ApplySystemColours() {
    setPalette(QApplication::palette());
    QPalette face = QApplication::palette();
    face.setColor(QPalette::Base, Colour(clBtnFace));
    Mp3List->setPalette(face);
}

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::ApplicationPaletteChange) {
        ApplySystemColours();
        ApplySkinColour(FSkinColour); // the skinned controls keep the skin's own colour
    }
    return QWidget::event(event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int W = width(), H = height();
    Panel1->setGeometry(0, 0, W, H - StatusBarHeight);
    StatusBar1->setGeometry(0, H - StatusBarHeight, W, StatusBarHeight);
    wydPngButton1->setGeometry(1, 1, W - 2, BannerHeight);
    Mp3List->setGeometry(1, 1 + BannerHeight, W - 2, std::max(0, Panel1->height() - 2 - BannerHeight));
    FormResize();
}

void TForm1::FormResize() {
    const int W = width();
    const int g = (9 * W) / 100 - 40;
    const int e = (5 * g) / 2;
    const auto left = [](QWidget* control, int x) { control->move(x + 1, control->y()); };
    left(FondPlayer, g);
    FondPlayer->resize(e + 220 - g, FondPlayer->height());
    left(wydRecord, g + 8);
    left(wydPlay, (3 * g) / 2 + 75);
    left(wydPause, (4 * g) / 2 + 116);
    left(wydStop, e + 155);
    left(Cadran, W / 2 + g - 10);
    left(SliderMicro, W / 2 + g - 40 - (2 * g) / 3);
    left(SliderOutput, W / 2 + g + 180 + (2 * g) / 3);
    Progres2->resize(W - 4, Progres2->height());
    left(wydConfigButton, W - 32 - (2 * g) / 4);
    left(wydInfoButton, W - 32 - (2 * g) / 4);
    // The list spans the panel inside its border.
    const std::array<int, 4> widths = FittedListColumnWidths(W, W - 2);
    for (int column = 0; column < 4; ++column) Mp3List->setColumnWidth(column, widths[column]);
}

void TForm1::ApplySkinColour(TColor colour) {
    FSkinColour = colour;
    SetTextColour(*Cadran, colour);
    InputVuMeter->SetColorGutterOn(colour);
    SetTextColour(*VolumeLabel, colour);
    SetTextColour(*Labelboutons, colour);
    update();
    wydPngButton1->update();
}
