#pragma once
// A three-piece picture: a left cap, a stretched centre and a right cap, for frames that stretch
// horizontally without distorting their ends.

#include "wydlibs.h"

class TwydExtImage : public TWheelControl {
public:
    explicit TwydExtImage(QWidget* parent = nullptr);

    int32_t IndexBackground() const { return FIndexBackground; }
    void SetIndexBackground(int32_t v) { SetIndex(FIndexBackground, v); }
    int32_t IndexBgCenter() const { return FIndexBgCenter; }
    void SetIndexBgCenter(int32_t v) { SetIndex(FIndexBgCenter, v); }
    int32_t IndexBgLeft() const { return FIndexBgLeft; }
    void SetIndexBgLeft(int32_t v) { SetIndex(FIndexBgLeft, v); }
    int32_t IndexBgRight() const { return FIndexBgRight; }
    void SetIndexBgRight(int32_t v) { SetIndex(FIndexBgRight, v); }
    TColor ColorBg() const { return FBgColor; }
    void SetColorBg(TColor v);
    TwydPngListe* PngListe() const { return FPngListe; }
    void SetPngListe(TwydPngListe* v) { FPngListe = v; }
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool v);
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& v);
    int32_t PaddingLeft() const { return FPaddingLeft; }
    void SetPaddingLeft(int32_t v);
    int32_t PaddingRight() const { return FPaddingRight; }
    void SetPaddingRight(int32_t v);
    bool Autosize() const { return FAutoSize; }
    // Sizes the control from its pictures at this moment only.
    void SetAutosize(bool v);
    void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }
    void SetOnMouseDown(TNotifyEvent handler) { FOnMouseDown = std::move(handler); }
    void SetOnMouseUp(TNotifyEvent handler) { FOnMouseUp = std::move(handler); }

    void PaintTo(QPainter& p);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool DoMouseWheelDown() override { return true; }
    bool DoMouseWheelUp() override { return true; }

private:
    void SetIndex(int32_t& field, int32_t v);
    void Relayout();

    TNotifyEvent FOnClick, FOnMouseDown, FOnMouseUp;
    TColor FBgColor = cl3DLight;
    bool FShowCaption = true;
    QString FCaption = "Ok!";
    TwydPngListe* FPngListe = nullptr; // not owned; must outlive the control
    int32_t FIndexBackground = -1, FIndexBgCenter = -1, FIndexBgLeft = -1, FIndexBgRight = -1;
    bool FAutoSize = false;
    int32_t FPaddingLeft = 32, FPaddingRight = 32;
    bool FLeftPressed = false;
};
