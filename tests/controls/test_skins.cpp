// The built skins and flag list, and the gallery: every control kind in every state from both
// skins, painted into build/gallery/ for people to look at.

#include "wydExtImage.h"
#include "wydPanel.h"
#include "wydPngButton.h"
#include "wydSlider.h"
#include "wydVProgress.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>

namespace {

QString BuildDir() { return qEnvironmentVariable("SARVO_BUILD_DIR", "."); }

// Picture sizes by index, as the window expects them.
QSize ExpectedSize(int index) {
    if (index <= 3) return {64, 59};
    if (index <= 15) return {40, 38};
    if (index == 16) return {32, 80};
    if (index <= 18) return {32, 32};
    if (index <= 23) return {20, 20};
    if (index <= 27) return {32, 32};
    static const QSize rest[] = {{272, 112}, {800, 100}, {121, 83}, {215, 83}, {38, 83}, {32, 32}, {32, 32}};
    return rest[index - 28];
}

// Paints one control at a place of the sheet.
template <class TControl>
void Place(QPainter& sheet, TControl& control, int x, int y) {
    sheet.save();
    sheet.translate(x, y);
    control.PaintTo(sheet);
    sheet.restore();
}

class Skin : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override { list.LoadFromFile(BuildDir() + "/Skins/" + GetParam()); }
    TwydPngListe list;
};

} // namespace

TEST_P(Skin, HoldsThe35PicturesAtTheirSizesWithItsNameAndColour) {
    QFile file(BuildDir() + "/Skins/" + GetParam());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(8), QByteArray::fromHex("6202110023000000"));
    ASSERT_EQ(list.Count(), 35);
    for (int i = 0; i < 35; ++i) {
        EXPECT_EQ(list.GetPng(i)->Png.size(), ExpectedSize(i)) << "picture " << i;
        EXPECT_EQ(list.GetPng(i)->Png.hasAlphaChannel(), true);
        if (i < 33) {
            EXPECT_TRUE(list.GetPng(i)->Name.isEmpty());
        }
    }
    EXPECT_EQ(list.GetPng(33)->Name, GetParam());
    EXPECT_EQ(list.Getbyname(GetParam()), 33);
    EXPECT_EQ(list.Getbyname(QString(GetParam()).toLower()), -1);
    EXPECT_EQ(list.Getbyname(""), -1);
    const QString colour = list.GetPng(34)->Name;
    EXPECT_TRUE(colour.startsWith('$') && colour.size() == 7) << colour.toStdString();
    // The four states of each transport button are four different pictures.
    for (int button = 0; button < 16; button += 4)
        for (int a = button; a < button + 4; ++a)
            for (int b = a + 1; b < button + 4; ++b)
                EXPECT_NE(list.GetPng(a)->Png, list.GetPng(b)->Png) << a << " " << b;
}

TEST_P(Skin, GalleryOfEveryControlInEveryState) {
    QWidget window;
    window.resize(900, 700);
    QImage sheet(900, 700, QImage::Format_ARGB32);
    sheet.fill(QColor(236, 236, 236));
    QPainter p(&sheet);
    const TColor text = list.GetPng(34)->Name.mid(1).toUInt(nullptr, 16);

    // The header band and the transport buttons in their four states, then hovered.
    TwydPngButton band(&window);
    band.SetPngListe(&list);
    band.SetShowCaption(false);
    band.SetColorBg(clNone);
    band.SetIndexNormal(29);
    band.SetIndexDisabled(29);
    band.resize(800, 100);
    Place(p, band, 10, 10);
    int y = 130;
    for (int first : {0, 4, 8, 12}) {
        TwydPngButton button(&window);
        button.SetPngListe(&list);
        button.SetShowCaption(false);
        button.SetColorBg(clNone);
        button.SetIndexDown(first + 1);
        button.SetIndexMouseOver(first + 2);
        button.SetIndexDisabled(first + 3);
        button.SetIndexNormal(first);
        button.SetAutosize(true);
        int x = 10;
        const auto shot = [&] {
            Place(p, button, x, y);
            x += button.width() + 20;
        };
        shot();
        button.SetButtonState(wydButtonDown);
        shot();
        button.SetButtonState(wydButtonUp);
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&button, &enter);
        shot();
        button.setEnabled(false);
        shot();
        y += first == 0 ? 70 : 48;
    }
    // Settings and about buttons, normal and hovered; the lamp's five frames.
    int x = 10;
    for (int index : {17, 26}) {
        TwydPngButton button(&window);
        button.SetPngListe(&list);
        button.SetShowCaption(false);
        button.SetColorBg(clNone);
        button.SetIndexNormal(index);
        button.SetIndexMouseOver(index + 1);
        button.SetAutosize(true);
        Place(p, button, x, y);
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&button, &enter);
        Place(p, button, x + 40, y);
        x += 100;
    }
    for (int frame = 19; frame <= 23; ++frame)
        p.drawImage(x + (frame - 19) * 28, y + 6, list.GetPng(frame)->Png);

    // The clock panel with the level bar, the two volume sliders at three positions, the player
    // frame, and the progress slider.
    TwydPanel clock(&window);
    clock.SetPngListe(&list);
    clock.SetIndexBackground(28);
    clock.SetColorBackground(clNone);
    clock.SetColorBorder(clNone);
    clock.SetCaption("00:01:23");
    clock.resize(272, 112);
    QPalette palette = clock.palette();
    palette.setColor(QPalette::WindowText, ColorToQColor(text, palette));
    clock.setPalette(palette);
    QFont big = clock.font();
    big.setPixelSize(40);
    clock.setFont(big);
    Place(p, clock, 500, 130);
    TwydVProgress meter(&window);
    meter.resize(12, 98);
    meter.SetPaddingTop(0);
    meter.SetPaddingBottom(0);
    meter.SetMini(-35);
    meter.SetMaxi(3);
    meter.SetColorBg(clNone);
    meter.SetColorGutterOff(clNone);
    meter.SetColorGutterOn(text);
    for (int i = 0; i < 4; ++i) {
        meter.SetPosition(-35 + i * 12);
        Place(p, meter, 780 + i * 24, 137);
    }
    for (int knob : {24, 25})
        for (int position : {0, 50, 100}) {
            TwydSlider slider(&window);
            slider.SetOrientation(orVertical);
            slider.resize(32, 80);
            slider.SetPaddingStart(12);
            slider.SetPaddingEnd(12);
            slider.SetPngListe(&list);
            slider.SetIndexBackground(16);
            slider.SetIndexKnob(knob);
            slider.SetShowCaption(false);
            slider.SetColorBg(clNone);
            slider.SetColorGutterOff(clNone);
            slider.SetColorGutterOn(clNone);
            slider.SetPosition(position);
            Place(p, slider, 500 + (knob - 24) * 150 + position / 50 * 44, 270);
        }
    TwydExtImage frame(&window);
    frame.SetPngListe(&list);
    frame.SetShowCaption(false);
    frame.SetColorBg(clNone);
    frame.SetIndexBgLeft(30);
    frame.SetIndexBgCenter(31);
    frame.SetIndexBgRight(32);
    frame.SetAutosize(true);
    Place(p, frame, 10, 450);
    frame.resize(600, 83);
    Place(p, frame, 10, 550);
    TwydSlider progress(&window);
    progress.resize(707, 20);
    progress.SetPaddingStart(0);
    progress.SetPaddingEnd(0);
    progress.SetShowCaption(false);
    progress.SetColorBg(clNone);
    progress.SetColorGutterOn(text);
    progress.SetColorKnob(clNone);
    progress.SetPosition(35);
    Place(p, progress, 10, 650);
    p.end();

    QDir().mkpath(BuildDir() + "/gallery");
    const QString path = BuildDir() + "/gallery/" + GetParam() + ".png";
    ASSERT_TRUE(sheet.save(path)) << path.toStdString();
}

TEST_P(Skin, Its2xFileHoldsTheSamePicturesAtTwiceTheSize) {
    TwydPngListe withDouble;
    withDouble.LoadWithDouble(BuildDir() + "/Skins/" + GetParam());
    const TwydPngListe* twice = withDouble.Double();
    ASSERT_NE(twice, nullptr) << "Skins/" << GetParam() << "@2x is missing or does not match";
    for (int i = 0; i < 35; ++i) {
        EXPECT_EQ(twice->GetPng(i)->Png.size(), ExpectedSize(i) * 2) << "picture " << i;
        EXPECT_EQ(twice->GetPng(i)->Name, list.GetPng(i)->Name) << "picture " << i;
    }
}

namespace {

// Device pixels of the first edge met from the left along a row that are neither clear nor
// opaque: the width of the ramp the edge is drawn with.
int EdgeRamp(const QImage& painted, int row) {
    int x = 0;
    while (x < painted.width() && qAlpha(painted.pixel(x, row)) == 0) ++x;
    int ramp = 0;
    for (; x < painted.width() && qAlpha(painted.pixel(x, row)) < 255; ++x) ++ramp;
    return ramp;
}

// The button showing that picture, painted alone on a clear surface of that density.
QImage PaintedButton(const TwydPngListe& list, int picture, int ratio) {
    QWidget window;
    TwydPngButton button(&window);
    button.SetPngListe(const_cast<TwydPngListe*>(&list));
    button.SetShowCaption(false);
    button.SetColorBg(clNone);
    button.SetIndexNormal(picture);
    button.SetAutosize(true);
    QImage surface(button.size() * ratio, QImage::Format_ARGB32);
    surface.setDevicePixelRatio(ratio);
    surface.fill(Qt::transparent);
    QPainter p(&surface);
    button.PaintTo(p);
    return surface;
}

} // namespace

TEST_P(Skin, A2xButtonsEdgeIsAsSharpAsIts1xPicture) {
    TwydPngListe withDouble;
    withDouble.LoadWithDouble(BuildDir() + "/Skins/" + GetParam());
    ASSERT_NE(withDouble.Double(), nullptr);
    for (int picture : {0, 4, 8, 12}) {
        SCOPED_TRACE(picture);
        const int middle = list.GetPng(picture)->Png.height() / 2;
        const int single = EdgeRamp(PaintedButton(list, picture, 1), middle);
        const int dense = EdgeRamp(PaintedButton(withDouble, picture, 2), 2 * middle);
        const int scaledUp = EdgeRamp(PaintedButton(list, picture, 2), 2 * middle);
        EXPECT_LE(single, 1) << "the 1× picture's own edge";
        EXPECT_LE(dense, 1) << "no ramp wider than one device pixel";
        EXPECT_LE(dense, single);
        EXPECT_EQ(scaledUp, 2 * single) << "what the 1× picture alone gives: each ramp pixel doubled";
    }
}

INSTANTIATE_TEST_SUITE_P(BothSkins, Skin, testing::Values("Vintage-Skin", "Modern-Skin"));

TEST(BuiltInLists, TheProgramCarriesTheVintageSkinAndTheFlags) {
    TwydPngListe skin, flags;
    skin.LoadFromFile(":/Skins/Vintage-Skin");
    flags.LoadFromFile(":/Skins/Flags");
    EXPECT_EQ(skin.Count(), 35);
    EXPECT_EQ(skin.Getbyname("Vintage-Skin"), 33);
    EXPECT_EQ(skin.GetPng(34)->Name, "$668384");
    ASSERT_EQ(flags.Count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(flags.GetPng(i)->Png.size(), QSize(48, 38));

    for (const char* builtIn : {":/Skins/Vintage-Skin", ":/Skins/Flags", ":/Skins/About"}) {
        TwydPngListe withDouble;
        withDouble.LoadWithDouble(builtIn);
        EXPECT_NE(withDouble.Double(), nullptr) << builtIn << " carries no matching 2× list";
    }

    TwydPngListe about;
    about.LoadFromFile(":/Skins/About");
    ASSERT_EQ(about.Count(), 2);
    EXPECT_EQ(about.GetPng(0)->Png.size(), QSize(337, 220));
    EXPECT_EQ(about.GetPng(1)->Png.size(), QSize(569, 240));

    QImage sheet(5 * 58, 48, QImage::Format_ARGB32);
    sheet.fill(QColor(236, 236, 236));
    QPainter p(&sheet);
    for (int i = 0; i < 5; ++i) p.drawImage(5 + i * 58, 5, flags.GetPng(i)->Png);
    p.end();
    QDir().mkpath(BuildDir() + "/gallery");
    EXPECT_TRUE(sheet.save(BuildDir() + "/gallery/Flags.png"));
    QImage window(920, 260, QImage::Format_ARGB32);
    window.fill(QColor(0x1A, 0x63, 0x70)); // the about window's background
    QPainter w(&window);
    w.drawImage(5, 20, about.GetPng(0)->Png);
    w.drawImage(346, 10, about.GetPng(1)->Png);
    w.end();
    EXPECT_TRUE(window.save(BuildDir() + "/gallery/About.png"));
}
