#include "wydVProgress.h"

#include <algorithm>

TwydVProgress::TwydVProgress(QWidget* parent) : TwydRangeControl(parent) {
    setMinimumSize(10, 64);
    setMaximumSize(64, 400);
    resize(16, 200);
    SetMini(0);
    SetMaxi(100);
    FPosition = 50;
}

void TwydVProgress::SetPadding(int32_t& field, int32_t v) {
    field = std::clamp(v, 0, height() / 2);
    Relayout();
}

void TwydVProgress::SetGutterWidth(int32_t v) {
    FGutterWidth = std::clamp(v, 2, std::max(2, width()));
    Relayout();
}

void TwydVProgress::Layout() {
    const int W = width(), H = height();
    FGutter.Left = (W - FGutterWidth) / 2;
    FGutter.Right = W - FGutter.Left + 1;
    FGutter.Top = FPaddingTop;
    FGutter.Bottom = H + 1 - FPaddingBottom;
    const long double span = static_cast<long double>(FMaxi) - Fmini;
    const auto top =
        static_cast<int>(wydRound((FMaxi - FPosition) / span * (FGutter.Bottom - FGutter.Top) + FPaddingTop));
    FGaugeLevel = {FGutter.Left, top, FGutter.Right, FGutter.Bottom};
}

void TwydVProgress::PaintTo(QPainter& p) {
    const QPalette& pal = palette();
    wydDraw::FillRect(p, rect(), ColorToQColor(FBgColor, pal));
    wydDraw::PlainBox(p, FGutter.Left, FGutter.Top, FGutter.Right, FGutter.Bottom,
                      ColorToQColor(FGutterOffColor, pal));
    wydDraw::PlainBox(p, FGaugeLevel.Left, FGaugeLevel.Top, FGaugeLevel.Right, FGaugeLevel.Bottom,
                      ColorToQColor(FGutterOnColor, pal));
    wydDraw::StretchDraw(p, 0, 0, width(), height(), FPngListe, FIndexBackground);
}

void TwydVProgress::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintTo(p);
}
