#include "wydlibs.h"

#include "wydAccessible.h"

#include <QCache>
#include <QWheelEvent>

#include <array>
#include <cmath>
#include <utility>

namespace {

// System colour number → palette role (the numbers of the system's colour table).
constexpr std::array<QPalette::ColorRole, 31> SystemColorRoles = {
    QPalette::Button,          // 0 scroll bar
    QPalette::Window,          // 1 desktop
    QPalette::Highlight,       // 2 active caption
    QPalette::Mid,             // 3 inactive caption
    QPalette::Window,          // 4 menu
    QPalette::Base,            // 5 window
    QPalette::Shadow,          // 6 window frame
    QPalette::WindowText,      // 7 menu text
    QPalette::Text,            // 8 window text
    QPalette::HighlightedText, // 9 caption text
    QPalette::Window,          // 10 active border
    QPalette::Window,          // 11 inactive border
    QPalette::Mid,             // 12 application workspace
    QPalette::Highlight,       // 13 highlight
    QPalette::HighlightedText, // 14 highlighted text
    QPalette::Button,          // 15 button face
    QPalette::Dark,            // 16 button shadow
    QPalette::PlaceholderText, // 17 grey text
    QPalette::ButtonText,      // 18 button text
    QPalette::WindowText,      // 19 inactive caption text
    QPalette::Light,           // 20 button highlight
    QPalette::Shadow,          // 21 3-D dark shadow
    QPalette::Midlight,        // 22 3-D light
    QPalette::ToolTipText,     // 23 tip text
    QPalette::ToolTipBase,     // 24 tip background
    QPalette::Window,          // 25 (unused)
    QPalette::Link,            // 26 hot-tracked item
    QPalette::Highlight,       // 27 active caption gradient
    QPalette::Mid,             // 28 inactive caption gradient
    QPalette::Highlight,       // 29 menu highlight
    QPalette::Window,          // 30 menu bar
};

// The rectangle with its sides in order.
QRect Ordered(int Left, int Top, int Right, int Bottom) {
    if (Left > Right) std::swap(Left, Right);
    if (Top > Bottom) std::swap(Top, Bottom);
    return QRect(QPoint(Left, Top), QPoint(Right - 1, Bottom - 1));
}

// Source column = destination column × source width ÷ destination width, truncated; rows alike.
QImage NearestNeighbour(const QImage& picture, int width, int height) {
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    QImage scaled(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const auto* in =
            reinterpret_cast<const QRgb*>(source.constScanLine(int(int64_t{y} * source.height() / height)));
        auto* out = reinterpret_cast<QRgb*>(scaled.scanLine(y));
        for (int x = 0; x < width; ++x) out[x] = in[int64_t{x} * source.width() / width];
    }
    return scaled;
}

// A picture at the size it is drawn, in device pixels, and the density it is drawn at.
struct TScaledKey {
    qint64 Picture; // the picture's cache key, which no other picture and no later change of it shares
    int Width, Height;
    qreal Ratio;
    bool operator==(const TScaledKey&) const = default;
};

size_t qHash(const TScaledKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.Picture, key.Width, key.Height, key.Ratio);
}

// The picture sampled to that many device pixels, nearest neighbours at 1× and 2×, smoothly at
// other densities. Painting composes these rather than sampling every frame: they are kept between
// paints, up to a bound in bytes, the least recently used going first. Main thread only (painting).
QImage ScaledPicture(const QImage& picture, const QSize& device, qreal ratio) {
    static QCache<TScaledKey, QImage> kept(16 << 20);
    const TScaledKey key{picture.cacheKey(), device.width(), device.height(), ratio};
    if (const QImage* found = kept.object(key)) return *found;
    QImage scaled = ratio == 1 || ratio == 2
                        ? NearestNeighbour(picture, device.width(), device.height())
                        : picture.convertToFormat(QImage::Format_ARGB32)
                              .scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    kept.insert(key, new QImage(scaled), scaled.sizeInBytes());
    return scaled;
}

// The picture's own device pixel ratio tells drawImage how many device pixels it covers.
void Blend(QPainter& p, const QPoint& at, const QImage& picture) {
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(at, picture);
    p.restore();
}

qreal DensityOf(const QPainter& p) { return p.device() ? p.device()->devicePixelRatio() : 1.0; }

// The 2× picture an index names, when the surface is dense enough for it.
const QImage* DensePictureAt(const TwydPngListe* list, int32_t index, qreal devicePixelRatio) {
    return list && devicePixelRatio >= DenseSurfaceRatio ? PictureAt(list->Double(), index) : nullptr;
}

} // namespace

int64_t wydRound(long double value) {
    return static_cast<int64_t>(std::nearbyint(value)); // the default rounding mode: to nearest, ties to even
}

bool IsActivationKey(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

QColor ColorToQColor(TColor color, const QPalette& palette) {
    if (color == clNone) return QColor();
    if ((color & 0xFF000000) == 0xFF000000) {
        const uint32_t number = color & 0xFF;
        return number < SystemColorRoles.size() ? palette.color(SystemColorRoles[number]) : QColor(Qt::black);
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

void DeclareOpaqueIfFilled(QWidget& control, TColor background) {
    const QColor fill = ColorToQColor(background, control.palette());
    control.setAttribute(Qt::WA_OpaquePaintEvent, fill.isValid() && fill.alpha() == 255);
}

const QImage* PictureAt(const TwydPngListe* list, int32_t index) {
    const TwydPng* item = list ? list->GetPng(index) : nullptr;
    return item && !item->Png.isNull() ? &item->Png : nullptr;
}

QPixmap PixmapAt(const TwydPngListe* list, int32_t index, qreal devicePixelRatio) {
    if (const QImage* twice = DensePictureAt(list, index, devicePixelRatio)) {
        QPixmap pixmap = QPixmap::fromImage(*twice);
        pixmap.setDevicePixelRatio(2);
        return pixmap;
    }
    const QImage* picture = PictureAt(list, index);
    return picture ? QPixmap::fromImage(*picture) : QPixmap();
}

namespace wydDraw {

void FillRect(QPainter& p, const QRect& r, const QColor& color) {
    if (color.isValid()) p.fillRect(r, color);
}

void PlainBox(QPainter& p, int X1, int Y1, int X2, int Y2, const QColor& color) {
    if (color.isValid() && X2 - X1 > 1 && Y2 - Y1 > 1)
        p.fillRect(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1), color);
}

void OutlinedBox(QPainter& p, int X1, int Y1, int X2, int Y2, const QColor& outline, const QColor& fill) {
    if (X2 <= X1 || Y2 <= Y1) return;
    if (fill.isValid() && X2 - X1 > 2 && Y2 - Y1 > 2)
        p.fillRect(QRect(X1 + 1, Y1 + 1, X2 - X1 - 2, Y2 - Y1 - 2), fill);
    if (!outline.isValid()) return;
    p.fillRect(QRect(X1, Y1, X2 - X1, 1), outline);
    p.fillRect(QRect(X1, Y2 - 1, X2 - X1, 1), outline);
    p.fillRect(QRect(X1, Y1, 1, Y2 - Y1), outline);
    p.fillRect(QRect(X2 - 1, Y1, 1, Y2 - Y1), outline);
}

void StretchDraw(QPainter& p, int Left, int Top, int Right, int Bottom, const QImage& picture) {
    const QRect r = Ordered(Left, Top, Right, Bottom);
    if (r.isEmpty() || picture.isNull()) return;
    Blend(p, r.topLeft(), ScaledPicture(picture, r.size(), 1));
}

void Draw(QPainter& p, int X, int Y, const QImage& picture) {
    StretchDraw(p, X, Y, X + picture.width(), Y + picture.height(), picture);
}

void StretchDraw(QPainter& p, int Left, int Top, int Right, int Bottom, const TwydPngListe* list,
                 int32_t index) {
    const qreal ratio = DensityOf(p);
    const QImage* twice = DensePictureAt(list, index, ratio);
    if (!twice) {
        if (const QImage* picture = PictureAt(list, index))
            StretchDraw(p, Left, Top, Right, Bottom, *picture);
        return;
    }
    const QRect r = Ordered(Left, Top, Right, Bottom);
    if (r.isEmpty()) return;
    // Sampled straight into device pixels, so nothing is scaled again on the way to the screen: at
    // twice the size pixel for pixel as at 1×; at other densities smoothly, which drops no detail.
    const QSize device(qRound(r.width() * ratio), qRound(r.height() * ratio));
    Blend(p, r.topLeft(), ScaledPicture(*twice, device, ratio));
}

void Draw(QPainter& p, int X, int Y, const TwydPngListe* list, int32_t index) {
    if (const QImage* picture = PictureAt(list, index))
        StretchDraw(p, X, Y, X + picture->width(), Y + picture->height(), list, index);
}

void TextRect(QPainter& p, const QRect& r, const QString& text, const QFont& font, const QColor& color) {
    if (r.isEmpty() || text.isEmpty()) return;
    p.save();
    p.setClipRect(r);
    p.setFont(font);
    p.setPen(color);
    const QString shown = p.fontMetrics().elidedText(text, Qt::ElideRight, r.width());
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, shown);
    p.restore();
}

void FocusFrame(QPainter& p, const QRect& r, const QColor& color) {
    if (r.width() < 2 || r.height() < 2) return;
    p.save();
    p.setPen(QPen(color, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.restore();
}

} // namespace wydDraw

// ---------------------------------------------------------------------------------------------
// TWheelControl

TWheelControl::TWheelControl(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    wydInstallAccessibility();
}

void TWheelControl::PaintFocus(QPainter& p) const {
    if (hasFocus()) wydDraw::FocusFrame(p, rect(), palette().color(QPalette::Highlight));
}

bool TWheelControl::DoMouseWheelDown() {
    Notify(FOnMouseWheelDown);
    return true;
}

bool TWheelControl::DoMouseWheelUp() {
    Notify(FOnMouseWheelUp);
    return true;
}

void TWheelControl::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    bool handled = false;
    if (FOnMouseWheel) FOnMouseWheel(this, delta, handled);
    if (!handled) {
        FWheelAccumulator += delta;
        handled = true;
        // Whole notches only; the rest keeps its sign for the next turn.
        while (FWheelAccumulator >= 120) {
            FWheelAccumulator -= 120;
            handled = DoMouseWheelUp() && handled;
        }
        while (FWheelAccumulator <= -120) {
            FWheelAccumulator += 120;
            handled = DoMouseWheelDown() && handled;
        }
    }
    event->setAccepted(handled);
}

void TWheelControl::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    Notify(FOnMouseEnter);
}

void TWheelControl::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    Notify(FOnMouseLeave);
}

// ---------------------------------------------------------------------------------------------
// TwydRangeControl

void TwydRangeControl::SetMini(int32_t v) {
    Fmini = v;
    if (v >= FMaxi) FMaxi = v + 1;
    SetPosition(FPosition);
    Relayout();
}

void TwydRangeControl::SetMaxi(int32_t v) {
    FMaxi = v;
    if (Fmini >= v) Fmini = v - 1;
    SetPosition(FPosition);
    Relayout();
}

void TwydRangeControl::SetPosition(long double x) {
    const long double old = FPosition;
    const auto rounded = static_cast<long double>(wydRound(x));
    FPosition = rounded < Fmini ? Fmini : rounded > FMaxi ? FMaxi : rounded;
    if (FPosition == old) return;
    MoveGauge();
    wydNotifyValue(*this, static_cast<qint64>(FPosition));
    if (FOnChange) FOnChange(this);
}

void TwydRangeControl::Relayout() {
    if (!parentWidget()) return;
    Layout();
    update();
}

void TwydRangeControl::MoveGauge() {
    if (!parentWidget()) return;
    const TRect shown = FGaugeLevel;
    Layout();
    if (FGaugeLevel != shown || ShowsValue()) update();
}

void TwydRangeControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void TwydRangeControl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange) Relayout();
}
