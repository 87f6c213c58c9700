// The slider and the level bar: values, geometry, pointer and wheel.

#include "wydSlider.h"
#include "wydVProgress.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

namespace {

void Wheel(QWidget& w, int delta) {
    QWheelEvent wheel(QPointF(5, 5), w.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &wheel);
}

struct Sliders : testing::Test {
    QWidget window;
    void SetUp() override { window.resize(800, 300); }
};

} // namespace

TEST_F(Sliders, ValuesRoundHalvesToEvenAndClamp) {
    TwydSlider slider; // no parent: values work, geometry waits
    int changes = 0;
    slider.SetOnChange([&](QObject*) { ++changes; });
    slider.SetPosition(2.5);
    EXPECT_EQ(slider.Position(), 2);
    slider.SetPosition(3.5);
    EXPECT_EQ(slider.Position(), 4);
    slider.SetPosition(1000);
    EXPECT_EQ(slider.Position(), 100);
    EXPECT_EQ(changes, 3);
    slider.SetPosition(100.4);
    EXPECT_EQ(changes, 3) << "the stored value did not change";
    EXPECT_EQ(slider.Gutter(), TRect{}) << "no geometry without a parent";

    slider.SetMini(200);
    EXPECT_EQ(slider.Maxi(), 201);
    EXPECT_EQ(slider.Position(), 200);
    EXPECT_EQ(changes, 4);
    slider.SetMaxi(-5);
    EXPECT_EQ(slider.Mini(), -6);
    EXPECT_EQ(slider.Position(), -5);

    slider.SetThickness(1);
    EXPECT_EQ(slider.Thickness(), 2);
    slider.SetThickness(40);
    EXPECT_EQ(slider.Thickness(), 32);
    slider.SetPaddingEnd(-5);
    EXPECT_EQ(slider.PaddingEnd(), 0);
}

TEST_F(Sliders, TheVerticalVolumeSlider) {
    TwydSlider slider(&window);
    slider.SetOrientation(orVertical);
    slider.resize(32, 99);
    slider.SetPaddingStart(16);
    slider.SetPaddingEnd(16);
    slider.SetPosition(50);
    EXPECT_EQ(slider.Gutter(), (TRect{14, 16, 19, 84}));
    EXPECT_EQ(slider.GaugeLevel().Top, 50);
    slider.SetPosition(100);
    EXPECT_EQ(slider.GaugeLevel().Top, 16);
    slider.SetPosition(0);
    EXPECT_EQ(slider.GaugeLevel().Top, 84);

    window.show();
    for (const auto& [y, value] : {std::pair{17, 99}, {0, 100}, {99, 0}}) {
        QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(16, y));
        EXPECT_EQ(slider.Position(), value) << "press at Y " << y;
    }
    Wheel(slider, 120);
    EXPECT_EQ(slider.Position(), 1) << "a notch up moves the knob up";

    // With a knob picture, its 32 × 32 box at position 50 is (0, 34, 32, 66).
    TwydPngListe list;
    QImage knob(32, 32, QImage::Format_ARGB32);
    knob.fill(qRgb(255, 0, 0));
    list.Add(knob);
    slider.SetPngListe(&list);
    slider.SetIndexKnob(0);
    slider.SetShowCaption(false);
    slider.SetColorBg(0x00FFFFFF);
    slider.SetPosition(50);
    QImage pixels(32, 99, QImage::Format_ARGB32);
    QPainter p(&pixels);
    slider.PaintTo(p);
    p.end();
    EXPECT_EQ(pixels.pixel(0, 34), qRgb(255, 0, 0));
    EXPECT_EQ(pixels.pixel(31, 65), qRgb(255, 0, 0));
    EXPECT_NE(pixels.pixel(16, 33), qRgb(255, 0, 0));
    EXPECT_NE(pixels.pixel(16, 66), qRgb(255, 0, 0));
}

TEST_F(Sliders, TheHorizontalProgressSlider) {
    TwydSlider slider(&window);
    slider.resize(707, 20);
    slider.SetPaddingStart(0);
    slider.SetPaddingEnd(0);
    slider.SetShowCaption(false);
    slider.SetColorBg(0x00FFFFFF);
    slider.SetColorGutterOff(clNone);
    slider.SetColorGutterOn(0x000000FF);
    slider.SetColorKnob(clNone);
    slider.SetPosition(50);
    EXPECT_EQ(slider.Gutter(), (TRect{0, 8, 708, 13}));
    EXPECT_EQ(slider.GaugeLevel().Right, 354);
    QImage pixels(707, 20, QImage::Format_ARGB32);
    QPainter p(&pixels);
    slider.PaintTo(p);
    p.end();
    EXPECT_EQ(pixels.pixel(356, 8), qRgb(255, 0, 0)) << "the filled part reaches column 356";
    EXPECT_EQ(pixels.pixel(357, 8), qRgb(255, 255, 255));
    EXPECT_EQ(pixels.pixel(0, 11), qRgb(255, 0, 0));
    EXPECT_EQ(pixels.pixel(100, 12), qRgb(255, 255, 255)) << "rows 8 to 11";
    EXPECT_EQ(pixels.pixel(100, 7), qRgb(255, 255, 255));
}

TEST_F(Sliders, WithoutInteractionThePointerStillNotifiesAndTheWheelIsConsumed) {
    TwydSlider slider(&window);
    slider.SetInteractive(0);
    int downs = 0, ups = 0, wheelUps = 0;
    slider.SetOnMouseDown([&](QObject*, Qt::MouseButton, Qt::MouseButtons, int, int) { ++downs; });
    slider.SetOnMouseUp([&](QObject*, Qt::MouseButton, Qt::MouseButtons, int, int) { ++ups; });
    slider.SetOnMouseWheelUp([&](QObject*) { ++wheelUps; });
    window.show();
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(60, 16));
    Wheel(slider, 120);
    EXPECT_EQ(slider.Position(), 50);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(wheelUps, 0);
}

TEST_F(Sliders, DraggingOutWithAModifierStopsMovingTheValue) {
    TwydSlider slider(&window);
    slider.setGeometry(0, 0, 200, 32);
    window.show();
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(100, 16));
    QMouseEvent out(QEvent::MouseMove, QPointF(250, 60), slider.mapToGlobal(QPointF(250, 60)), Qt::NoButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&slider, &out);
    EXPECT_EQ(slider.Position(), 100) << "a left-only drag outside goes on, clamped to the gutter end";
    QMouseEvent back(QEvent::MouseMove, QPointF(60, 16), slider.mapToGlobal(QPointF(60, 16)), Qt::NoButton,
                     Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&slider, &back);
    const long double inside = slider.Position();
    QMouseEvent shifted(QEvent::MouseMove, QPointF(250, 16), slider.mapToGlobal(QPointF(250, 16)),
                        Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&slider, &shifted);
    QMouseEvent later(QEvent::MouseMove, QPointF(80, 16), slider.mapToGlobal(QPointF(80, 16)), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&slider, &later);
    EXPECT_EQ(slider.Position(), inside) << "leaving with a modifier held ends the drag";
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(80, 16));
}

TEST_F(Sliders, TheInputLevelBar) {
    TwydVProgress bar(&window);
    bar.resize(12, 98);
    bar.SetPaddingTop(0);
    bar.SetPaddingBottom(0);
    bar.SetGutterWidth(4);
    bar.SetMini(-35);
    bar.SetMaxi(3);
    EXPECT_EQ(bar.Gutter(), (TRect{4, 0, 9, 99}));
    for (const auto& [position, top] : {std::pair{3, 0}, {-35, 99}, {0, 8}, {-20, 60}, {-16, 50}}) {
        bar.SetPosition(position);
        EXPECT_EQ(bar.GaugeLevel().Top, top) << "position " << position;
    }
    bar.SetPosition(-60);
    EXPECT_EQ(bar.Position(), -35);
    bar.SetPosition(-12.5);
    EXPECT_EQ(bar.Position(), -12);
    bar.SetPosition(-13.5);
    EXPECT_EQ(bar.Position(), -14);
    bar.SetPaddingTop(60);
    EXPECT_EQ(bar.PaddingTop(), 49);
    bar.SetPaddingTop(-3);
    EXPECT_EQ(bar.PaddingTop(), 0);
    bar.SetGutterWidth(20);
    EXPECT_EQ(bar.GutterWidth(), 12);
    bar.SetGutterWidth(1);
    EXPECT_EQ(bar.GutterWidth(), 2);

    // Only the filled part drawn: the parent shows around it; the bar is columns 4 to 7.
    bar.SetGutterWidth(4);
    bar.SetColorBg(clNone);
    bar.SetColorGutterOff(clNone);
    bar.SetColorGutterOn(0x0000FF00);
    bar.SetPosition(3);
    QImage pixels(12, 98, QImage::Format_ARGB32);
    pixels.fill(qRgb(0, 0, 0));
    QPainter p(&pixels);
    bar.PaintTo(p);
    p.end();
    EXPECT_EQ(pixels.pixel(4, 0), qRgb(0, 255, 0));
    EXPECT_EQ(pixels.pixel(7, 97), qRgb(0, 255, 0));
    EXPECT_EQ(pixels.pixel(8, 50), qRgb(0, 0, 0));
    EXPECT_EQ(pixels.pixel(3, 50), qRgb(0, 0, 0));
}
