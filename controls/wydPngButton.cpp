#include "wydPngButton.h"

#include "wydAccessible.h"

#include <QKeyEvent>
#include <QMouseEvent>

TwydPngButton::TwydPngButton(QWidget* parent) : TWheelControl(parent) {
    resize(48, 100);
    DeclareOpaqueIfFilled(*this, FBgColor);
    setFocusPolicy(Qt::TabFocus); // the keyboard reaches it; a click leaves the focus where it was
}

void TwydPngButton::Relayout() {
    if (parentWidget()) update();
}

void TwydPngButton::SetIndex(int32_t& field, int32_t v) {
    field = v;
    update();
}

void TwydPngButton::SetColorBg(TColor v) {
    FBgColor = v;
    DeclareOpaqueIfFilled(*this, FBgColor);
    Relayout();
}

void TwydPngButton::SetIndexNormal(int32_t v) {
    FIndexNormal = v;
    SetButtonState(FButtonState);
}

void TwydPngButton::SetIndexDown(int32_t v) { SetIndex(FIndexDown, v); }

void TwydPngButton::SetIndexDisabled(int32_t v) { SetIndex(FIndexDisabled, v); }

void TwydPngButton::SetIndexMouseOver(int32_t v) { SetIndex(FIndexMouseOver, v); }

void TwydPngButton::SetShowCaption(bool v) {
    FShowCaption = v;
    Relayout();
}

void TwydPngButton::SetCaption(const QString& v) {
    FCaption = v;
    update();
}

void TwydPngButton::SetButtonState(TwydButtonState v) {
    const int32_t before = FIndexBackground;
    const bool changed = v != FButtonState;
    FButtonState = v;
    FIndexBackground = !isEnabled() ? FIndexDisabled : v == wydButtonDown ? FIndexDown : FIndexNormal;
    const bool newPicture = FIndexBackground != before; // the lamp is set every timer step
    if (newPicture) update();
    if (changed) wydNotifyPressed(*this, FSwitchMode == Toggle);
    if (!newPicture) return;
    SetAutosize(FAutoSize);
    Notify(FOnChange);
}

void TwydPngButton::SetSwitchMode(TwydButtonMode v) {
    FSwitchMode = v;
    SetButtonState(wydButtonUp);
}

void TwydPngButton::SetToggle() {
    SetButtonState(FButtonState == wydButtonDown ? wydButtonUp : wydButtonDown);
}

void TwydPngButton::SetAutosize(bool v) {
    FAutoSize = v;
    if (!v || !FPngListe) return;
    if (const QImage* picture = PictureAt(FPngListe, FIndexBackground)) resize(picture->size());
}

void TwydPngButton::PaintTo(QPainter& p) {
    const QRect r = rect();
    wydDraw::FillRect(p, r, ColorToQColor(FBgColor, palette()));
    wydDraw::StretchDraw(p, 0, 0, width(), height(), FPngListe, FIndexBackground);
    if (FShowCaption) wydDraw::TextRect(p, r, FCaption, font(), palette().color(QPalette::WindowText));
    if (MouseIsOver && isEnabled())
        wydDraw::StretchDraw(p, 0, 0, width(), height(), FPngListe, FIndexMouseOver);
}

void TwydPngButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintTo(p);
    PaintFocus(p);
}

void TwydPngButton::GoDown() {
    if (FSwitchMode == Simple)
        SetButtonState(wydButtonDown);
    else
        SetToggle();
}

void TwydPngButton::AfterPress() {
    Notify(FOnMouseDown);
    Notify(FOnToggle);
}

void TwydPngButton::AfterRelease() {
    if (FSwitchMode == Toggle) return;
    SetButtonState(wydButtonUp);
    Notify(FOnMouseUp);
    Notify(FOnToggle);
}

void TwydPngButton::mousePressEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) GoDown();
    if (event->button() == Qt::LeftButton) FLeftPressed = true;
    QWidget::mousePressEvent(event);
    AfterPress();
}

void TwydPngButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        event->button() == Qt::LeftButton && FLeftPressed && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) FLeftPressed = false;
    if (click) Notify(FOnClick);
    QWidget::mouseReleaseEvent(event);
    AfterRelease();
}

void TwydPngButton::Click() {
    if (!isEnabled()) return;
    GoDown();
    AfterPress();
    Notify(FOnClick);
    AfterRelease();
}

void TwydPngButton::keyPressEvent(QKeyEvent* event) {
    if (!IsActivationKey(event->key())) return QWidget::keyPressEvent(event);
    if (!event->isAutoRepeat()) Click();
    event->accept();
}

// Its own hover handling: no capture, no focus.
void TwydPngButton::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (!isEnabled()) return;
    MouseIsOver = true;
    Notify(FOnMouseEnter);
    update();
}

void TwydPngButton::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    // A button pressed and dragged off is released, without a click.
    if (FSwitchMode == Simple) SetButtonState(wydButtonUp);
    FLeftPressed = false;
    MouseIsOver = false;
    if (isEnabled()) Notify(FOnMouseLeave);
    update();
}

void TwydPngButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) DeclareOpaqueIfFilled(*this, FBgColor);
    if (event->type() != QEvent::EnabledChange) return;
    SetButtonState(FButtonState);
    update(); // the hover picture is drawn only while enabled
}
