#pragma once
// What every skinned control shares: colour values, the drawing operations, the picture-index
// rule, and TWheelControl, the base of the lightweight controls (hover and wheel).

#include "wydPngList.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <cstdint>

// 0x00BBGGRR is an RGB colour; 0xFF0000nn is system colour nn, resolved when drawn.
using TColor = uint32_t;
constexpr TColor clNone = 0x1FFFFFFF; // nothing is drawn
constexpr TColor clMenu = 0xFF000004;
constexpr TColor clWindow = 0xFF000005;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clActiveBorder = 0xFF00000A;
constexpr TColor clHighlight = 0xFF00000D;
constexpr TColor clHighlightText = 0xFF00000E;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clBtnShadow = 0xFF000010;
constexpr TColor clBtnText = 0xFF000012;
constexpr TColor cl3DLight = 0xFF000016;

// A rectangle as the drawing operations take it: Right and Bottom are one past the last pixel.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRect&) const = default;
};

// Rounds to the nearest whole number, halves to the even neighbour.
int64_t wydRound(long double value);

// Space or Return (either one): the keys that press a focused button.
bool IsActivationKey(int key);

// The colour to draw with; system colours come from the palette.
QColor ColorToQColor(TColor color, const QPalette& palette);

// A control whose background is a solid colour covers every one of its pixels: it tells Qt so, and
// a child's repaint (the lamp, the meter) then repaints the control alone, not the skin beneath it.
void DeclareOpaqueIfFilled(QWidget& control, TColor background);

// The picture an index names in a list, or null: -1, out-of-range indices and a missing list
// name nothing, and draw nothing.
const QImage* PictureAt(const TwydPngListe* list, int32_t index);

// Device pixels a pixel from which a surface is dense enough for the 2× pictures.
constexpr qreal DenseSurfaceRatio = 1.5;

// The picture as a pixmap for a surface of that density: from the list's 2× pictures on a dense
// one when it has them, at the 1× picture's size in pixels either way; null when nothing is named.
QPixmap PixmapAt(const TwydPngListe* list, int32_t index, qreal devicePixelRatio);

// The drawing operations, in pixels of the control's client area. Every control draws with these.
namespace wydDraw {
// Columns Left … Right − 1, rows Top … Bottom − 1.
void FillRect(QPainter& p, const QRect& r, const QColor& color);
// Columns X1 … X2 − 2, rows Y1 … Y2 − 2: one pixel short on the right and at the bottom.
void PlainBox(QPainter& p, int X1, int Y1, int X2, int Y2, const QColor& color);
// Outline on columns X1 and X2 − 1 and rows Y1 and Y2 − 1; the inside filled unless fill is invalid.
void OutlinedBox(QPainter& p, int X1, int Y1, int X2, int Y2, const QColor& outline, const QColor& fill);
// The picture scaled into the rectangle (put in order first, never mirrored) by nearest-neighbour
// sampling, blended by its alpha over what is there.
void StretchDraw(QPainter& p, int Left, int Top, int Right, int Bottom, const QImage& picture);
// The picture unscaled at a point, blended the same way.
void Draw(QPainter& p, int X, int Y, const QImage& picture);
// The list's picture at that index, as the two above; nothing when the index names none. On a
// dense surface the list's 2× picture fills the same rectangle with its own device pixels; sizes
// and places are always those of the 1× picture.
void StretchDraw(QPainter& p, int Left, int Top, int Right, int Bottom, const TwydPngListe* list,
                 int32_t index);
void Draw(QPainter& p, int X, int Y, const TwydPngListe* list, int32_t index);
// One line, centred both ways, cut at the end with an ellipsis, clipped, transparent background.
void TextRect(QPainter& p, const QRect& r, const QString& text, const QFont& font, const QColor& color);
// The frame of a control that has the keyboard focus: a dashed line along the rectangle's edge.
void FocusFrame(QPainter& p, const QRect& r, const QColor& color);
} // namespace wydDraw

// A lightweight control: painted on its parent, with hover notifications and a mouse wheel whose
// whole notches (120 units) become wheel-down and wheel-up hooks.
class TWheelControl : public QWidget {
public:
    using TMouseWheelEvent = std::function<void(QObject* Sender, int WheelDelta, bool& Handled)>;

    explicit TWheelControl(QWidget* parent = nullptr);

    void SetOnMouseWheel(TMouseWheelEvent handler) { FOnMouseWheel = std::move(handler); }
    void SetOnMouseWheelDown(TNotifyEvent handler) { FOnMouseWheelDown = std::move(handler); }
    void SetOnMouseWheelUp(TNotifyEvent handler) { FOnMouseWheelUp = std::move(handler); }
    void SetOnMouseEnter(TNotifyEvent handler) { FOnMouseEnter = std::move(handler); }
    void SetOnMouseLeave(TNotifyEvent handler) { FOnMouseLeave = std::move(handler); }
    // Keys that move within the control while it has the focus (none here); a window that swallows
    // keys lets these through to it.
    virtual bool MovesWith(const QKeyEvent&) const { return false; }

protected:
    // One notch each; true when handled (the defaults raise the notifications).
    virtual bool DoMouseWheelDown();
    virtual bool DoMouseWheelUp();
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void Notify(const TNotifyEvent& handler) {
        if (handler) handler(this);
    }
    // The focus frame over what the control painted, while it has the keyboard focus.
    void PaintFocus(QPainter& p) const;

    TNotifyEvent FOnMouseEnter, FOnMouseLeave;

private:
    TMouseWheelEvent FOnMouseWheel;
    TNotifyEvent FOnMouseWheelDown, FOnMouseWheelUp;
    int FWheelAccumulator = 0;
};

// A lightweight control showing a whole value between Mini and Maxi (the slider and the level
// bar) as the filled part of a gutter. Mini stays below Maxi; a change of the value lays the
// control out again, and repaints it only when the filled part moved by a pixel.
class TwydRangeControl : public TWheelControl {
public:
    explicit TwydRangeControl(QWidget* parent = nullptr) : TWheelControl(parent) {}

    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }
    int32_t Mini() const { return Fmini; }
    void SetMini(int32_t v);
    int32_t Maxi() const { return FMaxi; }
    void SetMaxi(int32_t v);
    long double Position() const { return FPosition; }
    // Rounded halves to even, clamped to Mini … Maxi; OnChange when the stored value changed.
    void SetPosition(long double x);
    // Whether the user can set the value (by pointer, keyboard or assistive technology).
    virtual bool TakesInput() const { return false; }

    const TRect& Gutter() const { return FGutter; }
    const TRect& GaugeLevel() const { return FGaugeLevel; }

    // The skin both ranges share: their colours, their picture list and its background picture.
    TColor ColorBg() const { return FBgColor; }
    void SetColorBg(TColor v) { SetAndRelayout(FBgColor, v); }
    TColor ColorGutterOff() const { return FGutterOffColor; }
    void SetColorGutterOff(TColor v) { SetAndRelayout(FGutterOffColor, v); }
    TColor ColorGutterOn() const { return FGutterOnColor; }
    void SetColorGutterOn(TColor v) { SetAndRelayout(FGutterOnColor, v); }
    TwydPngListe* PngListe() const { return FPngListe; }
    void SetPngListe(TwydPngListe* v) { FPngListe = v; }
    int32_t IndexBackground() const { return FIndexBackground; }
    void SetIndexBackground(int32_t v) { SetAndRelayout(FIndexBackground, v); }

protected:
    // The gutter and its filled part from the size and the current value.
    virtual void Layout() = 0;
    // Whether the value is also written out, so that every change of it shows.
    virtual bool ShowsValue() const { return false; }
    // The resize hook: geometry from the current value, then a repaint; nothing without a parent.
    void Relayout();
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

    // A property that changes the picture: stored, then laid out and repainted.
    template <class T>
    void SetAndRelayout(T& field, T v) {
        field = v;
        Relayout();
    }

    long double FPosition = 50;
    int32_t Fmini = 0, FMaxi = 100;
    TRect FGutter, FGaugeLevel;
    TColor FBgColor = clBtnFace, FGutterOnColor = clHighlight, FGutterOffColor = clBtnShadow;
    TwydPngListe* FPngListe = nullptr; // not owned; must outlive the control
    int32_t FIndexBackground = -1;

private:
    // A new value's geometry; a repaint only when it shows.
    void MoveGauge();

    TNotifyEvent FOnChange;
};
