// The drawing operations, the panel and the three-piece image, checked on the pixels they paint.

#include "wydExtImage.h"
#include "wydPanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

namespace {

QImage Canvas(int width, int height, QRgb fill = qRgb(255, 255, 255)) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

QImage Solid(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// The columns of row y whose pixel is `colour`, as [first, last]; {-1, -1} when none.
std::pair<int, int> ColumnsOf(const QImage& image, int y, QRgb colour) {
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == colour) {
            if (first < 0) first = x;
            last = x;
        }
    return {first, last};
}

template <class TControl>
QImage Painted(TControl& control, QRgb under = qRgb(255, 255, 255)) {
    QImage image = Canvas(control.width(), control.height(), under);
    QPainter p(&image);
    control.PaintTo(p);
    return image;
}

const QRgb Red = qRgb(255, 0, 0), Green = qRgb(0, 255, 0), Blue = qRgb(0, 0, 255),
           White = qRgb(255, 255, 255);

} // namespace

TEST(SkinColours, RgbValuesSystemNumbersAndNone) {
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(ColorToQColor(0x00336699, palette), QColor(0x99, 0x66, 0x33)) << "red is the low byte";
    EXPECT_FALSE(ColorToQColor(clNone, palette).isValid());
    EXPECT_EQ(ColorToQColor(clBtnFace, palette), palette.color(QPalette::Button));
    EXPECT_EQ(ColorToQColor(clHighlight, palette), palette.color(QPalette::Highlight));
    QPalette dark = palette;
    dark.setColor(QPalette::Button, QColor(20, 20, 20));
    EXPECT_EQ(ColorToQColor(clBtnFace, dark), QColor(20, 20, 20)) << "resolved when drawn";
}

TEST(DrawingOperations, BoxesTouchExactlyTheirPixels) {
    QImage image = Canvas(10, 8);
    {
        QPainter p(&image);
        wydDraw::PlainBox(p, 1, 1, 5, 4, Red);
    }
    EXPECT_EQ(ColumnsOf(image, 1, Red), std::make_pair(1, 3)) << "one pixel short on the right";
    EXPECT_EQ(ColumnsOf(image, 2, Red), std::make_pair(1, 3));
    EXPECT_EQ(ColumnsOf(image, 3, Red), std::make_pair(-1, -1)) << "and at the bottom";

    image = Canvas(10, 8);
    {
        QPainter p(&image);
        wydDraw::OutlinedBox(p, 2, 1, 8, 6, Blue, QColor());
    }
    EXPECT_EQ(ColumnsOf(image, 1, Blue), std::make_pair(2, 7));
    EXPECT_EQ(ColumnsOf(image, 5, Blue), std::make_pair(2, 7));
    EXPECT_EQ(image.pixel(2, 3), Blue);
    EXPECT_EQ(image.pixel(7, 3), Blue);
    EXPECT_EQ(image.pixel(4, 3), White) << "a clear fill leaves the inside alone";
    EXPECT_EQ(image.pixel(8, 3), White);

    image = Canvas(4, 4);
    {
        QPainter p(&image);
        wydDraw::FillRect(p, QRect(QPoint(1, 1), QPoint(2, 2)), Green);
        wydDraw::FillRect(p, QRect(0, 0, 4, 4), QColor()); // clNone draws nothing
    }
    EXPECT_EQ(image.pixel(1, 1), Green);
    EXPECT_EQ(image.pixel(3, 3), White);
}

TEST(DrawingOperations, StretchingSamplesNearestNeighboursAndNeverMirrors) {
    QImage two(2, 1, QImage::Format_ARGB32);
    two.setPixel(0, 0, Red);
    two.setPixel(1, 0, Blue);
    for (const bool reversed : {false, true}) {
        QImage image = Canvas(5, 2);
        QPainter p(&image);
        if (reversed)
            wydDraw::StretchDraw(p, 5, 2, 0, 0, two);
        else
            wydDraw::StretchDraw(p, 0, 0, 5, 2, two);
        p.end();
        // Source column = x × 2 ÷ 5: 0 0 0 1 1.
        EXPECT_EQ(ColumnsOf(image, 1, Red), std::make_pair(0, 2)) << (reversed ? "reversed" : "in order");
        EXPECT_EQ(ColumnsOf(image, 1, Blue), std::make_pair(3, 4));
    }
}

TEST(DrawingOperations, AChangedPictureIsDrawnAnewNotAsItWasScaledBefore) {
    QImage picture = Solid(2, 2, Red);
    const auto drawn = [&] {
        QImage image = Canvas(6, 6);
        QPainter p(&image);
        wydDraw::StretchDraw(p, 0, 0, 6, 6, picture);
        return image.pixel(3, 3);
    };
    EXPECT_EQ(drawn(), Red);
    EXPECT_EQ(drawn(), Red) << "the second time from the kept scaling";
    picture.fill(Blue); // as a skin loaded into the same list does
    EXPECT_EQ(drawn(), Blue);
    picture = Solid(2, 2, Green);
    EXPECT_EQ(drawn(), Green);
}

TEST(DrawingOperations, AlphaBlendsOverWhatIsThere) {
    QImage image = Canvas(3, 3, qRgb(200, 100, 0));
    {
        QPainter p(&image);
        wydDraw::Draw(p, 1, 1, Solid(1, 1, qRgba(0, 0, 255, 128)));
        wydDraw::Draw(p, 0, 0, Solid(1, 1, qRgba(0, 255, 0, 0)));
    }
    const auto blend = [](int old, int now, int alpha) {
        return (old * (255 - alpha) + now * alpha + 127) / 255;
    };
    const QRgb mixed = image.pixel(1, 1);
    EXPECT_NEAR(qRed(mixed), blend(200, 0, 128), 1);
    EXPECT_NEAR(qGreen(mixed), blend(100, 0, 128), 1);
    EXPECT_NEAR(qBlue(mixed), blend(0, 255, 128), 1);
    EXPECT_EQ(image.pixel(0, 0), qRgb(200, 100, 0)) << "a transparent picture changes nothing";
    EXPECT_EQ(image.pixel(2, 2), qRgb(200, 100, 0));
}

TEST(DrawingOperations, CaptionsAreCentredClippedAndCutWithAnEllipsis) {
    QFont font = QApplication::font();
    font.setPixelSize(12);
    const QString text = "A caption far too long for the little box it is drawn in";
    QImage image = Canvas(200, 40);
    {
        QPainter p(&image);
        wydDraw::TextRect(p, QRect(50, 10, 60, 20), text, font, Qt::black);
    }
    int inked = 0, outside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (image.pixel(x, y) != White) (QRect(50, 10, 60, 20).contains(x, y) ? inked : outside)++;
    EXPECT_GT(inked, 20);
    EXPECT_EQ(outside, 0) << "clipped to the rectangle";
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, 60);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(text.startsWith(shown.chopped(1)));
}

namespace {

// Three pieces in three colours, sized like the player frame's, and a background.
struct Pieces : testing::Test {
    void SetUp() override {
        list.Add(Solid(121, 83, Red));
        list.Add(Solid(215, 83, Green));
        list.Add(Solid(38, 83, Blue));
        list.Add(Solid(10, 10, qRgb(9, 9, 9)));
    }
    TwydPngListe list;
};

} // namespace

TEST_F(Pieces, TheThreePieceImageDrawsCapsAndAStretchedCentre) {
    TwydExtImage image;
    image.resize(245, 83);
    image.SetPngListe(&list);
    image.SetShowCaption(false);
    image.SetIndexBgLeft(0);
    image.SetIndexBgCenter(1);
    image.SetIndexBgRight(2);
    image.SetPaddingLeft(121);
    image.SetPaddingRight(38);
    const QImage pixels = Painted(image);
    for (int y : {0, 41, 82}) {
        EXPECT_EQ(ColumnsOf(pixels, y, Red), std::make_pair(0, 120));
        EXPECT_EQ(ColumnsOf(pixels, y, Green), std::make_pair(121, 206));
        EXPECT_EQ(ColumnsOf(pixels, y, Blue), std::make_pair(207, 244));
    }

    image.SetAutosize(true);
    EXPECT_EQ(image.size(), QSize(374, 83));
    EXPECT_EQ(image.PaddingLeft(), 121);
    EXPECT_EQ(image.PaddingRight(), 38);
    image.SetIndexBgCenter(3);
    EXPECT_EQ(image.size(), QSize(374, 83)) << "sizing happens only when Autosize is set";
}

TEST_F(Pieces, MissingPicturesDrawNothingAndNoneLetsTheParentShow) {
    TwydExtImage image;
    image.resize(40, 20);
    image.SetShowCaption(false);
    image.SetColorBg(0x000000FF); // red
    image.SetIndexBackground(3);  // no list yet
    EXPECT_EQ(ColumnsOf(Painted(image), 5, Red), std::make_pair(0, 39));
    image.SetPngListe(&list);
    for (int index : {-1, list.Count()}) {
        image.SetIndexBackground(index);
        EXPECT_EQ(ColumnsOf(Painted(image), 5, Red), std::make_pair(0, 39)) << index;
    }
    image.SetColorBg(clNone);
    image.SetIndexBackground(-1);
    EXPECT_EQ(ColumnsOf(Painted(image, Green), 5, Green), std::make_pair(0, 39));
}

TEST_F(Pieces, ThePanelsBorderIsItsOuterRing) {
    TwydPanel panel;
    EXPECT_EQ(panel.size(), QSize(128, 128));
    panel.resize(193, 104);
    panel.SetShowCaption(false);
    panel.SetColorBackground(0x0000FF00); // green
    panel.SetColorBorder(0x00FF0000);     // blue
    QImage pixels = Painted(panel);
    EXPECT_EQ(ColumnsOf(pixels, 0, Blue), std::make_pair(0, 192));
    EXPECT_EQ(ColumnsOf(pixels, 103, Blue), std::make_pair(0, 192));
    EXPECT_EQ(pixels.pixel(0, 50), Blue);
    EXPECT_EQ(pixels.pixel(192, 50), Blue);
    EXPECT_EQ(ColumnsOf(pixels, 50, Green), std::make_pair(1, 191));

    panel.SetPngListe(&list);
    panel.SetIndexBackground(0);
    panel.SetColorBorder(clNone);
    pixels = Painted(panel);
    EXPECT_EQ(ColumnsOf(pixels, 0, Red), std::make_pair(0, 192)) << "the picture stretched over it all";
}

TEST_F(Pieces, TheImageClicksOnALeftPressAndReleaseInsideAndSwallowsTheWheel) {
    QWidget window;
    window.resize(300, 200);
    TwydExtImage image(&window);
    image.setGeometry(10, 10, 100, 50);
    std::vector<std::string> seen;
    image.SetOnMouseDown([&](QObject*) { seen.push_back("down"); });
    image.SetOnMouseUp([&](QObject*) { seen.push_back("up"); });
    image.SetOnClick([&](QObject*) { seen.push_back("click"); });
    image.SetOnMouseWheelUp([&](QObject*) { seen.push_back("wheel"); });
    window.show();
    QTest::mouseClick(&image, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(seen, (std::vector<std::string>{"down", "up", "click"}));
    seen.clear();
    QTest::mouseClick(&image, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(seen, (std::vector<std::string>{"down", "up"}));
    seen.clear();
    QTest::mousePress(&image, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(&image, Qt::LeftButton, {}, QPoint(150, 20));
    EXPECT_EQ(seen, (std::vector<std::string>{"down", "up"})) << "released outside: no click";
    seen.clear();
    QWheelEvent wheel(QPointF(20, 20), image.mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, 240),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&image, &wheel);
    EXPECT_TRUE(seen.empty()) << "the image consumes wheel notches";
    EXPECT_TRUE(wheel.isAccepted());
}

TEST(WheelControl, WholeNotchesBecomeWheelHooksAndTheRestIsKept) {
    TWheelControl control;
    int ups = 0, downs = 0;
    control.SetOnMouseWheelUp([&](QObject*) { ++ups; });
    control.SetOnMouseWheelDown([&](QObject*) { ++downs; });
    const auto turn = [&](int delta) {
        QWheelEvent wheel(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&control, &wheel);
    };
    turn(40);
    turn(40);
    EXPECT_EQ(ups, 0);
    turn(40);
    EXPECT_EQ(ups, 1) << "120 units make one notch";
    turn(-360);
    EXPECT_EQ(downs, 3);
    bool handledByOwner = true;
    control.SetOnMouseWheel([&](QObject*, int, bool& handled) { handled = handledByOwner; });
    turn(-240);
    EXPECT_EQ(downs, 3) << "a handler that takes the wheel ends it there";
}
