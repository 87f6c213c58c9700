// The controls the window's timer sets every 25 ms repaint only when what they show changes.

#include "PaintCounter.h"
#include "wydPanel.h"
#include "wydPngButton.h"
#include "wydSlider.h"
#include "wydVProgress.h"

#include <gtest/gtest.h>

#include <QTest>

#include <functional>

namespace {

struct Repaints : testing::Test {
    QWidget window;

    void SetUp() override { window.resize(400, 300); }
    // Shows the window; its first frame is behind when this returns.
    void Show() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window)) << "waiting for the window to be shown";
        QTest::qWait(100);
    }
    // The paint events in the window that follow the change, once its frame had the time to come.
    int PaintsAfter(const std::function<void()>& change) {
        PaintCounter counter(window);
        change();
        QTest::qWait(100);
        return counter.Paints();
    }
};

} // namespace

TEST_F(Repaints, ABarRepaintsWhenItsFilledPartMovesByAPixelOrItsLookChanges) {
    TwydVProgress bar(&window);
    bar.setGeometry(10, 10, 16, 200);
    bar.SetMaxi(1000); // a step of the value is a sixth of a pixel
    bar.SetPosition(500);
    Show();
    EXPECT_EQ(PaintsAfter([&] { bar.SetPosition(500); }), 0) << "the same value";
    EXPECT_EQ(PaintsAfter([&] { bar.SetPosition(501); }), 0) << "a new value within the same pixel";
    EXPECT_EQ(bar.Position(), 501);
    EXPECT_GT(PaintsAfter([&] { bar.SetPosition(530); }), 0) << "the filled part moved";
    EXPECT_GT(PaintsAfter([&] { bar.SetColorGutterOn(0x0000FF00); }), 0) << "a new colour";
}

TEST_F(Repaints, ASliderThatWritesItsValueRepaintsForEveryValue) {
    TwydSlider seekBar(&window);
    seekBar.setGeometry(10, 10, 300, 20);
    seekBar.SetShowCaption(false);
    seekBar.SetMaxi(100000); // milliseconds of a recording
    seekBar.SetPosition(40000);
    TwydSlider volume(&window);
    volume.setGeometry(10, 50, 300, 32);
    volume.SetMaxi(100000);
    Show();
    EXPECT_EQ(PaintsAfter([&] { seekBar.SetPosition(40010); }), 0) << "less than a pixel further";
    EXPECT_GT(PaintsAfter([&] { seekBar.SetPosition(60000); }), 0) << "the seek bar moved";
    EXPECT_GT(PaintsAfter([&] { volume.SetPosition(50010); }), 0) << "the written value changed";
}

TEST_F(Repaints, TheClockRepaintsWhenItsTextChangesAndTheLampWhenItsPictureDoes) {
    TwydPanel clock(&window);
    clock.setGeometry(10, 10, 150, 60);
    clock.SetCaption(QStringLiteral("00:00:00"));
    TwydPngButton lamp(&window);
    lamp.setGeometry(200, 10, 20, 20);
    lamp.SetIndexNormal(3);
    Show();
    EXPECT_EQ(PaintsAfter([&] { clock.SetCaption(QStringLiteral("00:00:00")); }), 0);
    EXPECT_GT(PaintsAfter([&] { clock.SetCaption(QStringLiteral("00:00:01")); }), 0);
    EXPECT_EQ(PaintsAfter([&] { lamp.SetIndexNormal(3); }), 0);
    EXPECT_GT(PaintsAfter([&] { lamp.SetIndexNormal(4); }), 0);
    EXPECT_GT(PaintsAfter([&] { lamp.setEnabled(false); }), 0) << "the hover picture goes";
}

namespace {

// The panel's pixels in part, as a repaint of only that part draws them, against a whole repaint.
bool PartDrawsAsTheWhole(TwydPanel& panel, const QRect& part) {
    QImage whole(panel.size(), QImage::Format_ARGB32_Premultiplied);
    whole.fill(Qt::transparent);
    panel.render(&whole);
    QImage partly(panel.size(), QImage::Format_ARGB32_Premultiplied);
    partly.fill(Qt::transparent);
    panel.render(&partly, part.topLeft(), QRegion(part));
    return partly.copy(part) == whole.copy(part);
}

// A panel as the clock is: no border, its caption in a font of that pixel size.
void SetUpClock(TwydPanel& clock, const QRect& geometry, int pixelSize) {
    clock.setGeometry(geometry);
    clock.SetColorBorder(clNone);
    QFont font = clock.font();
    font.setPixelSize(pixelSize);
    clock.setFont(font);
}

} // namespace

// A child's repaint (the lamp on the clock's panel) repaints only its part of the panel, and the
// caption is drawn there only when it reaches it: wherever the caption now is.
TEST_F(Repaints, APartOfThePanelRepaintsAsTheWholeWouldAfterTheCaptionFontOrSizeChanged) {
    TwydPanel clock(&window);
    SetUpClock(clock, QRect(10, 10, 300, 80), 30);
    QFont font = clock.font();
    clock.SetCaption(QStringLiteral("1"));
    Show();
    EXPECT_TRUE(PartDrawsAsTheWhole(clock, QRect(145, 35, 10, 10))) << "the caption's middle";
    EXPECT_TRUE(PartDrawsAsTheWhole(clock, QRect(0, 0, 8, 8)))
        << "the corner, which the caption does not reach";
    clock.SetCaption(QStringLiteral("WWWWWWWW"));
    EXPECT_TRUE(PartDrawsAsTheWhole(clock, QRect(50, 30, 20, 20))) << "a longer caption reaches further";
    clock.SetCaption(QStringLiteral("1"));
    font.setPixelSize(70);
    clock.setFont(font);
    EXPECT_TRUE(PartDrawsAsTheWhole(clock, QRect(140, 8, 20, 6))) << "a larger font reaches higher";
    font.setPixelSize(30);
    clock.setFont(font);
    clock.SetCaption(QStringLiteral("WWWWWWWW"));
    clock.resize(500, 80);
    EXPECT_TRUE(PartDrawsAsTheWhole(clock, QRect(300, 30, 20, 20))) << "a wider panel centres it anew";
}

// The caption is left out of a repaint only where its glyphs leave no ink: accents above the line,
// tails below it and the clock's digits alike, in every small part of the panel.
TEST_F(Repaints, EverySmallPartOfThePanelRepaintsAsTheWholeWould) {
    TwydPanel clock(&window);
    SetUpClock(clock, QRect(10, 10, 193, 104), 37);
    Show();
    for (const QString& caption :
         {QStringLiteral("00:00:00"), QStringLiteral("ÉÂgjpqy|"), QStringLiteral("W")}) {
        clock.SetCaption(caption);
        for (int y = 0; y < clock.height(); y += 6)
            for (int x = 0; x < clock.width(); x += 6)
                ASSERT_TRUE(PartDrawsAsTheWhole(clock, QRect(x, y, 6, 6)))
                    << caption.toStdString() << ": the part at " << x << "," << y;
    }
}
