#include "wydSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

TwydSlider::TwydSlider(QWidget* parent) : TwydRangeControl(parent) {
    setMinimumSize(4, 4);
    setMaximumSize(4000, 4000);
    resize(200, 32);
    setFocusPolicy(Qt::TabFocus);
    SetMini(0);
    SetMaxi(100);
    FPosition = 50;
}

void TwydSlider::SetPaddingEnd(int32_t v) { SetAndRelayout(FPaddingEnd, std::max(v, 0)); }

void TwydSlider::SetPaddingStart(int32_t v) { SetAndRelayout(FPaddingStart, std::max(v, 0)); }

void TwydSlider::SetShowCaption(bool v) {
    FShowCaption = v;
    Relayout();
}

void TwydSlider::SetThickness(int32_t v) { SetAndRelayout(FThickness, std::clamp(v, 2, 32)); }

void TwydSlider::SetInteractive(TInteractive v) {
    FInteractive = v;
    setFocusPolicy(v ? Qt::TabFocus : Qt::NoFocus);
}

void TwydSlider::SetOrientation(TOrientation v) {
    FOrientation = v;
    SetPaddingStart(FPaddingStart);
    SetPaddingEnd(FPaddingEnd);
}

int TwydSlider::ValueToPixel(long double v) const {
    const long double span = static_cast<long double>(FMaxi) - Fmini;
    if (FOrientation == orHorizontal)
        return static_cast<int>(
            wydRound((v - Fmini) / span * (FGutter.Right - FGutter.Left) + FPaddingStart));
    return static_cast<int>(wydRound((FMaxi - v) / span * (FGutter.Bottom - FGutter.Top) + FPaddingEnd));
}

long double TwydSlider::PixelToValue(int pixel) const {
    const long double span = static_cast<long double>(FMaxi) - Fmini;
    if (FOrientation == orHorizontal) {
        const int length = FGutter.Right - FGutter.Left;
        return length == 0 ? Fmini : (pixel - FPaddingStart) * span / length + Fmini;
    }
    const int length = FGutter.Bottom - FGutter.Top;
    return length == 0 ? FMaxi : FMaxi - (pixel - FPaddingEnd) * span / length;
}

void TwydSlider::Layout() {
    const int W = width(), H = height();
    if (FOrientation == orHorizontal) {
        FGutter.Top = (H - FThickness) / 2;
        FGutter.Bottom = H - FGutter.Top + 1;
        FGutter.Left = FPaddingStart;
        FGutter.Right = W + 1 - FPaddingEnd;
        FGaugeLevel = {FGutter.Left, FGutter.Top, ValueToPixel(FPosition), FGutter.Bottom};
    } else {
        FGutter.Left = (W - FThickness) / 2;
        FGutter.Right = W - FGutter.Left + 1;
        FGutter.Top = FPaddingEnd;
        FGutter.Bottom = H + 1 - FPaddingStart;
        FGaugeLevel = {FGutter.Left, ValueToPixel(FPosition), FGutter.Right, FGutter.Bottom};
    }
}

void TwydSlider::PaintTo(QPainter& p) {
    const int k = FIndexKnob >= 0 ? 12 : 4;
    const int W = width(), H = height();
    const QPalette& pal = palette();
    const QString value = QString::number(static_cast<qint64>(FPosition));
    const QColor off = ColorToQColor(FGutterOffColor, pal), on = ColorToQColor(FGutterOnColor, pal);
    const bool knob = PictureAt(FPngListe, FIndexKnob) != nullptr;
    const QColor knobColour = ColorToQColor(FKnobColor, pal), knobOutline(0x60, 0x60, 0x60);
    wydDraw::FillRect(p, rect(), ColorToQColor(FBgColor, pal));
    wydDraw::StretchDraw(p, 0, 0, W, H, FPngListe, FIndexBackground);
    const TRect& g = FGutter;
    const TRect& l = FGaugeLevel;
    if (FOrientation == orHorizontal) {
        const int mid = H / 2;
        wydDraw::PlainBox(p, g.Left - k, g.Top, g.Right + k, g.Bottom, off);
        wydDraw::PlainBox(p, l.Left - k, l.Top, l.Right + k, l.Bottom, on);
        if (FShowCaption)
            wydDraw::TextRect(p, QRect(QPoint(g.Right + k, 0), QPoint(W - 1, H - 1)), value, font(),
                              pal.color(QPalette::WindowText));
        wydDraw::Draw(p, (g.Left - 32 - k) / 2, mid - 16, FPngListe, FIndexIcon);
        if (knob)
            wydDraw::StretchDraw(p, l.Right - 16, mid - 16, l.Right + 16, mid + 16, FPngListe, FIndexKnob);
        else if (knobColour.isValid())
            wydDraw::OutlinedBox(p, l.Right - 5, l.Top - 4, l.Right + 5, l.Bottom + 4, knobOutline,
                                 knobColour);
    } else {
        const int mid = W / 2;
        wydDraw::PlainBox(p, g.Left, g.Top - k, g.Right, g.Bottom + k, off);
        wydDraw::PlainBox(p, l.Left, l.Top - k, l.Right, l.Bottom + k, on);
        if (FShowCaption)
            wydDraw::TextRect(p, QRect(QPoint(0, 0), QPoint(W - 1, g.Top - k - 1)), value, font(),
                              pal.color(QPalette::WindowText));
        const int t = (H - g.Bottom - k) / 2;
        wydDraw::Draw(p, mid - 16, H - t - 16, FPngListe, FIndexIcon);
        if (knob)
            wydDraw::StretchDraw(p, mid - 16, l.Top - 16, mid + 16, l.Top + 16, FPngListe, FIndexKnob);
        else if (knobColour.isValid())
            wydDraw::OutlinedBox(p, l.Left - 4, l.Top - 5, l.Right + 4, l.Top + 5, knobOutline, knobColour);
    }
}

void TwydSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintTo(p);
    PaintFocus(p);
}

std::optional<long double> TwydSlider::KeyTarget(const QKeyEvent& key) const {
    if (!TakesInput()) return std::nullopt;
    switch (key.key()) {
    case Qt::Key_Up:
    case Qt::Key_Right:
        return FPosition + 1;
    case Qt::Key_Down:
    case Qt::Key_Left:
        return FPosition - 1;
    case Qt::Key_PageUp:
        return FPosition + 10;
    case Qt::Key_PageDown:
        return FPosition - 10;
    case Qt::Key_Home:
        return static_cast<long double>(Fmini);
    case Qt::Key_End:
        return static_cast<long double>(FMaxi);
    default:
        return std::nullopt;
    }
}

bool TwydSlider::MovesWith(const QKeyEvent& key) const { return KeyTarget(key).has_value(); }

void TwydSlider::keyPressEvent(QKeyEvent* event) {
    if (const std::optional<long double> target = KeyTarget(*event)) {
        SetPosition(*target);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TwydSlider::SetFromPointer(const QPoint& at) {
    const int pixel = FOrientation == orHorizontal ? std::clamp(at.x(), FGutter.Left, FGutter.Right)
                                                   : std::clamp(at.y(), FGutter.Top, FGutter.Bottom);
    SetPosition(PixelToValue(pixel));
}

void TwydSlider::mousePressEvent(QMouseEvent* event) {
    FDragging = event->buttons() & Qt::LeftButton;
    if (FDragging && (FInteractive & actMouseDown)) SetFromPointer(event->position().toPoint());
    QWidget::mousePressEvent(event);
    if (FOnMouseDown)
        FOnMouseDown(this, event->button(), event->buttons(), event->position().toPoint().x(),
                     event->position().toPoint().y());
}

// A drag outside the slider goes on only with the left button alone held.
void TwydSlider::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!rect().contains(at) && (event->buttons() != Qt::LeftButton || event->modifiers() != Qt::NoModifier))
        FDragging = false;
    if (FDragging && (event->buttons() & Qt::LeftButton) && (FInteractive & actMouseMove)) SetFromPointer(at);
    QWidget::mouseMoveEvent(event);
}

void TwydSlider::mouseReleaseEvent(QMouseEvent* event) {
    FDragging = false;
    QWidget::mouseReleaseEvent(event);
    if (FOnMouseUp)
        FOnMouseUp(this, event->button(), event->buttons(), event->position().toPoint().x(),
                   event->position().toPoint().y());
}

bool TwydSlider::DoMouseWheelDown() {
    if (FInteractive & actMouseWheel) SetPosition(FPosition - 1);
    return true;
}

bool TwydSlider::DoMouseWheelUp() {
    if (FInteractive & actMouseWheel) SetPosition(FPosition + 1);
    return true;
}
