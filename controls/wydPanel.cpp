#include "wydPanel.h"

#include "wydAccessible.h"

#include <QMouseEvent>

TwydPanel::TwydPanel(QWidget* parent) : QWidget(parent) {
    resize(128, 128);
    wydInstallAccessibility();
}

void TwydPanel::Relayout() {
    if (parentWidget()) update();
}

void TwydPanel::SetColorBackground(TColor v) {
    FBgColor = v;
    Relayout();
}

void TwydPanel::SetIndexBackground(int32_t v) {
    FIndexBackground = v;
    update();
}

void TwydPanel::SetShowCaption(bool v) {
    FShowCaption = v;
    Relayout();
}

void TwydPanel::SetCaption(const QString& v) {
    if (v == FCaption) return; // the clock is set every timer step, and repaints when its text changes
    FCaption = v;
    update();
    wydNotifyName(*this); // the clock's text is its name
}

void TwydPanel::PaintTo(QPainter& p) {
    const QRect r = rect();
    wydDraw::FillRect(p, r, ColorToQColor(FBgColor, palette()));
    wydDraw::StretchDraw(p, r.left(), r.top(), r.right() + 1, r.bottom() + 1, FPngListe, FIndexBackground);
    if (FBorderColor != clNone)
        wydDraw::OutlinedBox(p, 0, 0, width(), height(), ColorToQColor(FBorderColor, palette()), QColor());
    if (FShowCaption) wydDraw::TextRect(p, r, FCaption, font(), palette().color(QPalette::WindowText));
}

void TwydPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintTo(p);
}

void TwydPanel::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (FOnMouseDown) FOnMouseDown(this);
}

void TwydPanel::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (FOnMouseUp) FOnMouseUp(this);
}
