#pragma once
// A slider: a gutter with a filled part and a knob, horizontal or vertical, moved by pressing,
// dragging and the wheel.

#include "wydlibs.h"

#include <optional>

enum TOrientation { orHorizontal = 0, orVertical = 1 };
enum TInteractiveAction { actMouseMove = 1, actMouseDown = 2, actMouseWheel = 4 };
using TInteractive = int; // a set of TInteractiveAction bits

class TwydSlider : public TwydRangeControl {
public:
    using TMouseEvent =
        std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::MouseButtons Buttons, int X, int Y)>;

    explicit TwydSlider(QWidget* parent = nullptr);

    int32_t PaddingEnd() const { return FPaddingEnd; }
    void SetPaddingEnd(int32_t v);
    int32_t PaddingStart() const { return FPaddingStart; }
    void SetPaddingStart(int32_t v);
    TColor ColorKnob() const { return FKnobColor; }
    void SetColorKnob(TColor v) { SetAndRelayout(FKnobColor, v); }
    int32_t IndexKnob() const { return FIndexKnob; }
    void SetIndexKnob(int32_t v) { SetAndRelayout(FIndexKnob, v); }
    int32_t IndexIcon() const { return FIndexIcon; }
    void SetIndexIcon(int32_t v) { SetAndRelayout(FIndexIcon, v); }
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool v);
    int32_t Thickness() const { return FThickness; }
    void SetThickness(int32_t v);
    TInteractive Interactive() const { return FInteractive; }
    // An interactive slider also takes the keyboard focus.
    void SetInteractive(TInteractive v);
    TOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TOrientation v);
    void SetOnMouseDown(TMouseEvent h) { FOnMouseDown = std::move(h); }
    void SetOnMouseUp(TMouseEvent h) { FOnMouseUp = std::move(h); }

    void PaintTo(QPainter& p);

    bool TakesInput() const override { return FInteractive != 0; }
    // The arrow keys step by one, Page Up and Page Down by ten, Home and End go to Mini and Maxi.
    bool MovesWith(const QKeyEvent& key) const override;

protected:
    void Layout() override;
    bool ShowsValue() const override { return FShowCaption; }
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool DoMouseWheelDown() override;
    bool DoMouseWheelUp() override;

private:
    int ValueToPixel(long double v) const;
    long double PixelToValue(int pixel) const;
    // Where a key moves the value; none for a key the slider does not move with.
    std::optional<long double> KeyTarget(const QKeyEvent& key) const;
    void SetFromPointer(const QPoint& at);

    int32_t FPaddingEnd = 48, FPaddingStart = 48;
    TColor FKnobColor = clHighlight;
    bool FShowCaption = true;
    int32_t FIndexKnob = -1, FIndexIcon = -1;
    int32_t FThickness = 4;
    TInteractive FInteractive = actMouseMove | actMouseDown | actMouseWheel;
    TOrientation FOrientation = orHorizontal;
    TMouseEvent FOnMouseDown, FOnMouseUp;
    bool FDragging = false; // a left-button drag that still moves the value
};
