// The picture button: the order of its notifications, its pictures and its size.

#include "ButtonEvents.h"
#include "wydPngButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

namespace {

QImage Solid(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Normal 0 (64 × 59), down 1 (40 × 38), disabled 2, hover 3 (half-transparent white).
struct Button : testing::Test {
    void SetUp() override {
        list.Add(Solid(64, 59, qRgb(200, 0, 0)));
        list.Add(Solid(40, 38, qRgb(0, 200, 0)));
        list.Add(Solid(64, 59, qRgb(90, 90, 90)));
        list.Add(Solid(64, 59, qRgba(255, 255, 255, 128)));
        window.resize(300, 200);
        button = new TwydPngButton(&window);
        button->setGeometry(10, 10, 64, 59);
        button->SetPngListe(&list);
        button->SetShowCaption(false);
        button->SetColorBg(clNone);
        button->SetIndexDown(1);
        button->SetIndexDisabled(2);
        button->SetIndexMouseOver(3);
        button->SetIndexNormal(0);
        RecordButtonEvents(*button, seen);
        window.show();
        seen.clear();
    }
    QRgb PixelAt(int x, int y) {
        QImage image(button->size(), QImage::Format_ARGB32);
        image.fill(qRgb(0, 0, 0));
        QPainter p(&image);
        button->PaintTo(p);
        p.end();
        return image.pixel(x, y);
    }

    TwydPngListe list;
    QWidget window;
    TwydPngButton* button = nullptr;
    SeenEvents seen;
};

} // namespace

TEST_F(Button, AFullLeftClickInSimpleMode) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(seen, (SeenEvents{"change:down", "down", "toggle", "click", "change:normal", "up", "toggle"}));
    EXPECT_EQ(button->ButtonState(), wydButtonUp);
}

TEST_F(Button, AFullLeftClickInToggleModeFlipsAndNeverRaisesUp) {
    button->SetSwitchMode(Toggle);
    seen.clear();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(seen, (SeenEvents{"change:down", "down", "toggle", "click"}));
    EXPECT_EQ(button->ButtonState(), wydButtonDown);
    seen.clear();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(seen, (SeenEvents{"change:normal", "down", "toggle", "click"}));
    EXPECT_EQ(button->ButtonState(), wydButtonUp);
}

TEST_F(Button, TheRightButtonDoesNotPressButStillNotifies) {
    QTest::mousePress(button, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(button->ButtonState(), wydButtonUp);
    QTest::mouseRelease(button, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(seen, (SeenEvents{"down", "toggle", "up", "toggle"}));
}

TEST_F(Button, AutosizeFollowsTheShownPicture) {
    button->SetAutosize(true);
    EXPECT_EQ(button->size(), QSize(64, 59));
    button->SetButtonState(wydButtonDown);
    EXPECT_EQ(button->size(), QSize(40, 38));
    button->SetButtonState(wydButtonUp);
    EXPECT_EQ(button->size(), QSize(64, 59));
}

TEST_F(Button, ChangeFollowsThePictureIndexNotTheState) {
    button->SetButtonState(wydButtonUp);
    EXPECT_TRUE(seen.empty()) << "same state, same picture";
    button->SetButtonState(wydButtonDown);
    button->SetIndexDown(0);
    EXPECT_EQ(button->StatePicture(), 1) << "the old down picture stays until re-evaluated";
    button->SetButtonState(wydButtonDown);
    EXPECT_EQ(button->StatePicture(), 0);
    EXPECT_EQ(seen, (SeenEvents{"change:down", "change:normal"}));
    seen.clear();
    button->SetIndexDown(0);
    button->SetButtonState(wydButtonUp);
    EXPECT_TRUE(seen.empty()) << "equal normal and down pictures change state silently";
}

TEST_F(Button, DisabledAndHoverPictures) {
    EXPECT_EQ(PixelAt(5, 5), qRgb(200, 0, 0));
    QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), button->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(button, &enter);
    EXPECT_TRUE(button->MouseOver());
    const QRgb hovered = PixelAt(5, 5);
    EXPECT_NEAR(qRed(hovered), 227, 1) << "the hover picture is blended over the normal one";
    EXPECT_NEAR(qGreen(hovered), 128, 1);

    button->setEnabled(false);
    EXPECT_EQ(button->StatePicture(), 2);
    EXPECT_EQ(PixelAt(5, 5), qRgb(90, 90, 90)) << "no hover picture while disabled";
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    QApplication::sendEvent(button, &enter);
    EXPECT_FALSE(button->MouseOver()) << "entering a disabled button does not hover it";

    button->SetIndexDisabled(-1);
    button->SetButtonState(wydButtonUp);
    EXPECT_EQ(PixelAt(5, 5), qRgb(0, 0, 0)) << "nothing drawn: the parent shows through";
    button->setEnabled(true);
    EXPECT_EQ(button->StatePicture(), 0);
}

TEST_F(Button, LeavingWhilePressedReleasesWithoutAClick) {
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button->ButtonState(), wydButtonDown);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(button->ButtonState(), wydButtonUp);
    seen.clear();
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "click"), 0);
}
