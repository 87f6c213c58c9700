#pragma once
// A picture button: normal, down and disabled pictures, and a hover picture laid over them.
// Simple mode is a push button; Toggle mode flips on each press.

#include "wydlibs.h"

enum TwydButtonState { wydButtonUp = 0, wydButtonDown = 1 };
enum TwydButtonMode { Simple = 0, Toggle = 1 };

class TwydPngButton : public TWheelControl {
public:
    explicit TwydPngButton(QWidget* parent = nullptr);

    void SetOnChange(TNotifyEvent h) { FOnChange = std::move(h); }
    void SetOnToggle(TNotifyEvent h) { FOnToggle = std::move(h); }
    void SetOnMouseDown(TNotifyEvent h) { FOnMouseDown = std::move(h); }
    void SetOnMouseUp(TNotifyEvent h) { FOnMouseUp = std::move(h); }
    void SetOnClick(TNotifyEvent h) { FOnClick = std::move(h); }

    TColor ColorBg() const { return FBgColor; }
    void SetColorBg(TColor v);
    TwydPngListe* PngListe() const { return FPngListe; }
    void SetPngListe(TwydPngListe* v) { FPngListe = v; }
    int32_t IndexNormal() const { return FIndexNormal; }
    void SetIndexNormal(int32_t v);
    int32_t IndexDown() const { return FIndexDown; }
    void SetIndexDown(int32_t v);
    int32_t IndexDisabled() const { return FIndexDisabled; }
    void SetIndexDisabled(int32_t v);
    int32_t IndexMouseOver() const { return FIndexMouseOver; }
    void SetIndexMouseOver(int32_t v);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool v);
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& v);
    TwydButtonState ButtonState() const { return FButtonState; }
    void SetButtonState(TwydButtonState v);
    TwydButtonMode SwitchMode() const { return FSwitchMode; }
    void SetSwitchMode(TwydButtonMode v);
    bool Autosize() const { return FAutoSize; }
    void SetAutosize(bool v);
    void SetToggle();
    // A whole left click, for the keyboard and assistive technology: the notifications of a
    // pointer click in the same order. A disabled button does nothing.
    void Click();
    // The picture shown now.
    int32_t StatePicture() const { return FIndexBackground; }
    bool MouseOver() const { return MouseIsOver; }

    void PaintTo(QPainter& p);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override { mousePressEvent(event); }
    // Space and Return click the button while it has the focus; a held key clicks once.
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool DoMouseWheelDown() override { return true; }
    bool DoMouseWheelUp() override { return true; }

private:
    void SetIndex(int32_t& field, int32_t v);
    void Relayout();
    // The steps of a left press after its picture change, and of a release.
    void GoDown();
    void AfterPress();
    void AfterRelease();

    TNotifyEvent FOnChange, FOnToggle, FOnMouseDown, FOnMouseUp, FOnClick;
    TwydButtonState FButtonState = wydButtonUp;
    TColor FBgColor = cl3DLight;
    int32_t FIndexNormal = -1, FIndexDown = -1, FIndexDisabled = -1, FIndexMouseOver = -1;
    bool FShowCaption = true;
    QString FCaption = "Ok!";
    bool FAutoSize = false;
    TwydPngListe* FPngListe = nullptr; // not owned; must outlive the button
    int32_t FIndexBackground = -1;     // the state picture
    TwydButtonMode FSwitchMode = Simple;
    bool MouseIsOver = false;
    bool FLeftPressed = false; // a left press that may become a click
};
