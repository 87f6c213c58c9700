#include "wydExtImage.h"

#include <QMouseEvent>

TwydExtImage::TwydExtImage(QWidget* parent) : TWheelControl(parent) { resize(100, 100); }

void TwydExtImage::SetIndex(int32_t& field, int32_t v) {
    field = v;
    update();
}

void TwydExtImage::Relayout() {
    if (parentWidget()) update();
}

void TwydExtImage::SetColorBg(TColor v) {
    FBgColor = v;
    Relayout();
}

void TwydExtImage::SetShowCaption(bool v) {
    FShowCaption = v;
    Relayout();
}

void TwydExtImage::SetCaption(const QString& v) {
    FCaption = v;
    update();
}

void TwydExtImage::SetPaddingLeft(int32_t v) {
    FPaddingLeft = v;
    update();
}

void TwydExtImage::SetPaddingRight(int32_t v) {
    FPaddingRight = v;
    update();
}

void TwydExtImage::SetAutosize(bool v) {
    FAutoSize = v;
    if (!v || !FPngListe) return;
    if (const QImage* background = PictureAt(FPngListe, FIndexBackground)) resize(background->size());
    if (const QImage* left = PictureAt(FPngListe, FIndexBgLeft)) {
        FPaddingLeft = left->width();
        resize(width(), left->height());
    }
    if (const QImage* right = PictureAt(FPngListe, FIndexBgRight)) {
        FPaddingRight = right->width();
        resize(width(), right->height());
    }
    if (const QImage* centre = PictureAt(FPngListe, FIndexBgCenter))
        resize(centre->width() + FPaddingLeft + FPaddingRight, centre->height());
    update();
}

void TwydExtImage::PaintTo(QPainter& p) {
    const int Left = 0, Top = 0, Right = width(), Bottom = height();
    wydDraw::FillRect(p, rect(), ColorToQColor(FBgColor, palette()));
    if (FPngListe) {
        wydDraw::StretchDraw(p, Left, Top, Right, Bottom, FPngListe, FIndexBackground);
        wydDraw::StretchDraw(p, Left + FPaddingLeft, Top, Right - FPaddingRight, Bottom, FPngListe,
                             FIndexBgCenter);
        wydDraw::StretchDraw(p, Left, Top, Left + FPaddingLeft, Bottom, FPngListe, FIndexBgLeft);
        wydDraw::StretchDraw(p, Right - FPaddingRight, Top, Right, Bottom, FPngListe, FIndexBgRight);
    }
    if (FShowCaption) wydDraw::TextRect(p, rect(), FCaption, font(), palette().color(QPalette::WindowText));
}

void TwydExtImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintTo(p);
}

void TwydExtImage::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) FLeftPressed = true;
    Notify(FOnMouseDown);
}

void TwydExtImage::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    const bool click =
        event->button() == Qt::LeftButton && FLeftPressed && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) FLeftPressed = false;
    Notify(FOnMouseUp);
    if (click) Notify(FOnClick);
}

// Its own hover handling: no capture, no focus; notifications only while enabled.
void TwydExtImage::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (!isEnabled()) return;
    Notify(FOnMouseEnter);
    update();
}

void TwydExtImage::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (isEnabled()) Notify(FOnMouseLeave);
    update();
}
