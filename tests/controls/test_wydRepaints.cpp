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
