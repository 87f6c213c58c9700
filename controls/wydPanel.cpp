#include "wydPanel.h"

#include "wydAccessible.h"

#include <QMouseEvent>

TwydPanel::TwydPanel(QWidget* parent) : QWidget(parent) {
    resize(128, 128);
    DeclareOpaqueIfFilled(*this, FBgColor);
    wydInstallAccessibility();
}

void TwydPanel::Relayout() {
    if (parentWidget()) update();
}

void TwydPanel::SetColorBackground(TColor v) {
    FBgColor = v;
    DeclareOpaqueIfFilled(*this, FBgColor);
    Relayout();
}

void TwydPanel::SetIndexBackground(int32_t v) {
    FIndexBackground = v;
    update();
}

void TwydPanel::SetShowCaption(bool v) {
    FShowCaption = v;
    FCaptionArea.reset();
    Relayout();
}

void TwydPanel::SetCaption(const QString& v) {
    if (v == FCaption) return; // the clock is set every timer step, and repaints when its text changes
    FCaption = v;
    FCaptionArea.reset();
    update();
    wydNotifyName(*this); // the clock's text is its name
}

void TwydPanel::PaintTo(QPainter& p, bool withCaption) {
    const QRect r = rect();
    wydDraw::FillRect(p, r, ColorToQColor(FBgColor, palette()));
    wydDraw::StretchDraw(p, r.left(), r.top(), r.right() + 1, r.bottom() + 1, FPngListe, FIndexBackground);
    if (FBorderColor != clNone)
        wydDraw::OutlinedBox(p, 0, 0, width(), height(), ColorToQColor(FBorderColor, palette()), QColor());
    if (FShowCaption && withCaption)
        wydDraw::TextRect(p, r, FCaption, font(), palette().color(QPalette::WindowText));
}

QRect TwydPanel::CaptionArea() {
    if (!FShowCaption || FCaption.isEmpty()) return {};
    if (!FCaptionArea) {
        const QFontMetrics metrics(font(), this);
        const QString shown = metrics.elidedText(FCaption, Qt::ElideRight, width());
        // The glyphs' own ink where the centred line puts it, not the line's box: the lamp sits in the
        // clock's line box, below the digits, and its blink need not draw the text again. A few
        // pixels round it for antialiasing and hinting.
        const QRect line = metrics.boundingRect(rect(), Qt::AlignCenter | Qt::TextSingleLine, shown);
        const QRect ink =
            metrics.tightBoundingRect(shown).translated(line.left(), line.top() + metrics.ascent());
        FCaptionArea = ink.adjusted(-4, -4, 4, 4);
    }
    return *FCaptionArea;
}

void TwydPanel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    // A child that repaints (the lamp blinking on the clock's panel) repaints the panel beneath it:
    // the caption is laid out again only when the repaint reaches it.
    PaintTo(p, event->region().intersects(CaptionArea()));
}

void TwydPanel::resizeEvent(QResizeEvent* event) {
    FCaptionArea.reset();
    QWidget::resizeEvent(event);
}

void TwydPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) FCaptionArea.reset();
    if (event->type() == QEvent::PaletteChange) DeclareOpaqueIfFilled(*this, FBgColor);
    QWidget::changeEvent(event);
}

void TwydPanel::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (FOnMouseDown) FOnMouseDown(this);
}

void TwydPanel::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (FOnMouseUp) FOnMouseUp(this);
}
