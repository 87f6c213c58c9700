// The main window as assistive technology reads it, and its keyboard focus.
//
// The transport's keyboard table comes first whenever it is in force: its keys keep their actions
// whichever control has the focus. Tab and Shift+Tab move the focus; the arrow, page, Home and End
// keys reach a focused volume slider or the list. A key of the table still goes on to the focused
// control after its action, except to a transport button, which would repeat or contradict it.

#include "Unit1.h"

#include "wydAccessible.h"

#include <QKeyEvent>

#include <array>

namespace {

bool IsListNavigation(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

} // namespace

QString TForm1::AccessText(const QString& key) const {
    AccessTexts->setLanguage(Traductor->CurrentLanguage());
    return AccessTexts->localize(key);
}

void TForm1::NameControls() {
    const auto name = [](QWidget* control, const QString& text, const QString& description = {}) {
        control->setAccessibleName(text);
        control->setAccessibleDescription(description);
    };
    const auto look = [this](const char* key) { return Traductor->localize(QString::fromLatin1(key)); };
    const auto access = [this](const char* key) { return AccessText(QString::fromLatin1(key)); };
    name(wydRecord, look("wyd_RecordTip"), access("wyd_RecordKeys"));
    name(wydPlay, look("wyd_PlayTip"), access("wyd_PlayKeys"));
    name(wydPause, look("wyd_PauseTip"), access("wyd_PauseKeys"));
    name(wydStop, look("wyd_StopTip"), access("wyd_StopKeys"));
    name(SliderMicro, look("wyd_InLevelTip"));
    name(SliderOutput, look("wyd_OutLevelTip"));
    name(InputVuMeter, access("wyd_InputLevel"));
    name(Progres2, access("wyd_PlayingPosition"));
    name(wydConfigButton, Texts.wyd_Settings);
    name(wydInfoButton, Texts.wyd_Help);
    name(Mp3List, access("wyd_Recordings"));
}

// The pictures that only decorate, and the order Tab visits the controls in.
void TForm1::SetUpAccess() {
    wydSetDecorative(*wydPngButton1);
    wydSetDecorative(*VuCircle);
    // Left to right along the player, then the list below it.
    const std::array<QWidget*, 9> order{wydRecord,    wydPlay,         wydPause,      wydStop, SliderMicro,
                                        SliderOutput, wydConfigButton, wydInfoButton, Mp3List};
    for (size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
    Mp3List->setFocus(); // where the focus has always been when the window opens
}

bool TForm1::KeyForFocus(const QKeyEvent& key) const {
    if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) return true;
    const QWidget* focus = focusWidget();
    if (const auto* control = dynamic_cast<const TWheelControl*>(focus)) return control->MovesWith(key);
    return focus == Mp3List && IsListNavigation(key.key());
}

bool TForm1::TransportButtonFocused() const {
    const QWidget* focus = focusWidget();
    return focus == wydRecord || focus == wydPlay || focus == wydPause || focus == wydStop;
}
