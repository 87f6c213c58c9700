// Drawing on dense surfaces: the 2× pictures fill the 1× places with their own device pixels,
// from 1.5 device pixels a pixel; without them the 1× pictures are scaled up as before.

#include "wydPngButton.h"
#include "wydSlider.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

// A picture whose every pixel differs from its neighbours, so a copy is told from a scaled one.
QImage Pattern(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 37 + seed) % 256, (y * 53 + seed) % 256, seed));
    return image;
}

// Picture 0 is 4 × 3 and picture 1 a 2 × 2 icon; their 2× file holds 8 × 6 and 4 × 4 pictures.
struct Dense : testing::Test {
    void SetUp() override {
        list.Add(Pattern(4, 3, 10));
        list.Add(Pattern(2, 2, 20));
        TwydPngListe twice;
        twice.Add(Pattern(8, 6, 110));
        twice.Add(Pattern(4, 4, 120));
        twice.SaveToFile(dir.filePath("Skin@2x"));
        button = new TwydPngButton(&window);
        button->SetPngListe(&list);
        button->SetShowCaption(false);
        button->SetColorBg(clNone);
        button->SetIndexNormal(0);
        button->SetAutosize(true);
    }
    void UseDoubleFile() { list.SetDoubleFile(dir.filePath("Skin@2x")); }
    // The button painted on a surface of that density, in device pixels.
    QImage Painted(qreal ratio) {
        QImage surface(qRound(button->width() * ratio), qRound(button->height() * ratio),
                       QImage::Format_ARGB32);
        surface.setDevicePixelRatio(ratio);
        surface.fill(Qt::transparent);
        QPainter p(&surface);
        button->PaintTo(p);
        return surface;
    }

    QTemporaryDir dir;
    TwydPngListe list;
    QWidget window;
    TwydPngButton* button = nullptr;
};

} // namespace

TEST_F(Dense, EveryDevicePixelComesFromThe2xPictureAtTheSameSize) {
    UseDoubleFile();
    const QImage twice = list.Double()->GetPng(0)->Png;
    const QImage painted = Painted(2);
    ASSERT_EQ(painted.size(), QSize(8, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(painted.pixel(x, y), twice.pixel(x, y)) << x << ", " << y;
    EXPECT_EQ(button->size(), QSize(4, 3)) << "sizes stay those of the 1× pictures";
}

TEST_F(Dense, WithoutA2xListThe1xPictureIsScaledUpAsBefore) {
    const QImage single = list.GetPng(0)->Png;
    const QImage painted = Painted(2);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(painted.pixel(x, y), single.pixel(x / 2, y / 2)) << x << ", " << y;

    list.SetDoubleFile(dir.filePath("missing@2x"));
    EXPECT_EQ(Painted(2), painted) << "a missing 2× file changes nothing";
}

TEST_F(Dense, The2xPicturesServeFromOneAndAHalfDevicePixelsAPixel) {
    UseDoubleFile();
    const auto fromTwice = [this](const QImage& painted) {
        const QRgb corner = painted.pixel(0, 0);
        return qBlue(corner) == 110;
    };
    EXPECT_FALSE(fromTwice(Painted(1)));
    EXPECT_FALSE(fromTwice(Painted(1.25)));
    EXPECT_TRUE(fromTwice(Painted(1.5)));
    EXPECT_TRUE(fromTwice(Painted(3)));
    const QImage oneAndAHalf = Painted(1.5);
    EXPECT_EQ(oneAndAHalf.size(), QSize(6, 5)) << "4 × 3 pixels at 1.5";
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(qBlue(oneAndAHalf.pixel(x, y)), 110) << "resampled from the 2× picture";
}

TEST_F(Dense, AnIconIsPlacedAndSizedAsIts1xPicture) {
    UseDoubleFile();
    TwydSlider slider(&window);
    slider.setGeometry(0, 0, 100, 40);
    slider.SetPngListe(&list);
    slider.SetIndexIcon(1);
    slider.SetColorBg(clNone);
    slider.SetColorGutterOff(clNone);
    slider.SetColorGutterOn(clNone);
    slider.SetColorKnob(clNone);
    slider.SetShowCaption(false);
    slider.SetPaddingStart(48);
    QImage surface(200, 80, QImage::Format_ARGB32);
    surface.setDevicePixelRatio(2);
    surface.fill(Qt::transparent);
    QPainter p(&surface);
    slider.PaintTo(p);
    p.end();
    // At ((48 − 32 − 4) ÷ 2, 20 − 16) = (6, 4), 2 × 2 pixels: device pixels 12 to 15 and 8 to 11.
    const QImage icon = list.Double()->GetPng(1)->Png;
    int drawn = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x) {
            if (qAlpha(surface.pixel(x, y)) == 0) continue;
            ++drawn;
            ASSERT_TRUE(x >= 12 && x < 16 && y >= 8 && y < 12) << x << ", " << y;
            EXPECT_EQ(surface.pixel(x, y), icon.pixel(x - 12, y - 8));
        }
    EXPECT_EQ(drawn, 16);
}
