#pragma once
// A container with its own surface: flat background, stretched background picture, optional
// one-pixel border and a centred caption.

#include "wydlibs.h"

#include <QWheelEvent>

#include <optional>

class TwydPanel : public QWidget {
public:
    explicit TwydPanel(QWidget* parent = nullptr);

    TColor ColorBackground() const { return FBgColor; }
    void SetColorBackground(TColor v);
    TColor ColorBorder() const { return FBorderColor; }
    void SetColorBorder(TColor v) { FBorderColor = v; }
    TwydPngListe* PngListe() const { return FPngListe; }
    void SetPngListe(TwydPngListe* v) { FPngListe = v; }
    int32_t IndexBackground() const { return FIndexBackground; }
    void SetIndexBackground(int32_t v);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool v);
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& v);
    void SetOnMouseDown(TNotifyEvent handler) { FOnMouseDown = std::move(handler); }
    void SetOnMouseUp(TNotifyEvent handler) { FOnMouseUp = std::move(handler); }

    // The panel's own drawing, onto any surface.
    void PaintTo(QPainter& p, bool withCaption = true);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override { event->accept(); } // notches are consumed

private:
    void Relayout();
    QRect CaptionArea(); // where the caption draws, in the panel; empty when it draws nothing

    TNotifyEvent FOnMouseDown, FOnMouseUp;
    TColor FBgColor = cl3DLight;
    TColor FBorderColor = clActiveBorder;
    bool FShowCaption = true;
    QString FCaption = "Ok!";
    TwydPngListe* FPngListe = nullptr; // not owned; must outlive the panel
    int32_t FIndexBackground = -1;
    std::optional<QRect> FCaptionArea; // CaptionArea() once laid out: until the caption, font or size changes
};
