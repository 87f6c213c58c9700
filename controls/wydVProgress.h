#pragma once
// A level bar: a vertical bar filled from the bottom, with an optional picture laid over it.

#include "wydlibs.h"

class TwydVProgress : public TwydRangeControl {
public:
    explicit TwydVProgress(QWidget* parent = nullptr);

    int32_t PaddingTop() const { return FPaddingTop; }
    // Limited to 0 … half the height at the moment of setting.
    void SetPaddingTop(int32_t v) { SetPadding(FPaddingTop, v); }
    int32_t PaddingBottom() const { return FPaddingBottom; }
    void SetPaddingBottom(int32_t v) { SetPadding(FPaddingBottom, v); }
    int32_t GutterWidth() const { return FGutterWidth; }
    // Limited to 2 … the control's width.
    void SetGutterWidth(int32_t v);

    void PaintTo(QPainter& p);

protected:
    void Layout() override;
    void paintEvent(QPaintEvent*) override;

private:
    void SetPadding(int32_t& field, int32_t v);

    int32_t FPaddingTop = 16, FPaddingBottom = 16;
    int32_t FGutterWidth = 4;
};
