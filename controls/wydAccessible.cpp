#include "wydAccessible.h"

#include "wydExtImage.h"
#include "wydPanel.h"
#include "wydPngButton.h"
#include "wydSlider.h"
#include "wydVProgress.h"

#include <QAccessibleWidget>

namespace {

const char* const DecorativeProperty = "wydDecorative";

// What every skinned control's interface shares: a control the window marked as decorative reads
// as a picture without name or action. The mark is read each time, since an interface may be
// made before the window marks its control.
class TSkinnedAccessible : public QAccessibleWidget {
public:
    TSkinnedAccessible(QWidget* control, QAccessible::Role role) : QAccessibleWidget(control, role) {}
    QAccessible::Role role() const override {
        return Decorative() ? QAccessible::Graphic : QAccessibleWidget::role();
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && Decorative() ? QString() : QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return Decorative() ? QStringList() : QAccessibleWidget::actionNames();
    }

protected:
    bool Decorative() const { return wydIsDecorative(*widget()); }
};

// A button: pressed while held down; a two-state switch is checkable and checked while down.
class TButtonAccessible : public TSkinnedAccessible {
public:
    explicit TButtonAccessible(TwydPngButton* button) : TSkinnedAccessible(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        const QString text = TSkinnedAccessible::text(t);
        if (t == QAccessible::Name && text.isEmpty() && !Decorative() && Button().ShowCaption())
            return Button().Caption();
        return text;
    }
    QAccessible::State state() const override {
        QAccessible::State state = TSkinnedAccessible::state();
        const bool down = Button().ButtonState() == wydButtonDown;
        if (Button().SwitchMode() == Toggle) {
            state.checkable = true;
            state.checked = down;
        } else {
            state.pressed = down;
        }
        return state;
    }
    QStringList actionNames() const override {
        return Decorative() ? QStringList() : QStringList{pressAction()} + TSkinnedAccessible::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && !Decorative())
            Button().Click();
        else
            TSkinnedAccessible::doAction(name);
    }

private:
    TwydPngButton& Button() const { return *static_cast<TwydPngButton*>(widget()); }
};

// A whole value between Mini and Maxi: the slider, settable while it takes input, and the level
// bar, read only.
class TRangeAccessible : public TSkinnedAccessible, public QAccessibleValueInterface {
public:
    TRangeAccessible(TwydRangeControl* control, QAccessible::Role role) : TSkinnedAccessible(control, role) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                : TSkinnedAccessible::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? QString::number(Whole()) : TSkinnedAccessible::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = TSkinnedAccessible::state();
        state.readOnly = !Control().TakesInput();
        return state;
    }
    QVariant currentValue() const override { return Whole(); }
    void setCurrentValue(const QVariant& value) override {
        if (Control().TakesInput() && Control().isEnabled()) Control().SetPosition(value.toDouble());
    }
    QVariant maximumValue() const override { return Control().Maxi(); }
    QVariant minimumValue() const override { return Control().Mini(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    TwydRangeControl& Control() const { return *static_cast<TwydRangeControl*>(widget()); }
    qint64 Whole() const { return static_cast<qint64>(Control().Position()); }
};

// A panel that shows its caption (the clock): its text is its name unless the window names it.
class TPanelAccessible : public TSkinnedAccessible {
public:
    explicit TPanelAccessible(TwydPanel* panel) : TSkinnedAccessible(panel, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        const auto& panel = *static_cast<TwydPanel*>(widget());
        const QString caption = panel.ShowCaption() ? panel.Caption() : QString();
        if (t == QAccessible::Value) return caption;
        const QString text = TSkinnedAccessible::text(t);
        return t == QAccessible::Name && text.isEmpty() && !Decorative() ? caption : text;
    }
};

QAccessibleInterface* SkinnedControlInterface(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) return nullptr;
    if (dynamic_cast<TwydExtImage*>(widget)) return new TSkinnedAccessible(widget, QAccessible::Graphic);
    if (auto* button = dynamic_cast<TwydPngButton*>(widget)) return new TButtonAccessible(button);
    if (auto* slider = dynamic_cast<TwydSlider*>(widget))
        return new TRangeAccessible(slider, QAccessible::Slider);
    if (auto* bar = dynamic_cast<TwydVProgress*>(widget))
        return new TRangeAccessible(bar, QAccessible::ProgressBar);
    if (auto* panel = dynamic_cast<TwydPanel*>(widget)) return new TPanelAccessible(panel);
    return nullptr;
}

} // namespace

void wydInstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(SkinnedControlInterface);
        return true;
    }();
    (void)installed;
}

void wydSetDecorative(QWidget& control) {
    control.setProperty(DecorativeProperty, true);
    control.setFocusPolicy(Qt::NoFocus);
}

bool wydIsDecorative(const QWidget& control) { return control.property(DecorativeProperty).toBool(); }

void wydNotifyValue(QWidget& control, const QVariant& value) {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(&control, value);
    QAccessible::updateAccessibility(&event);
}

void wydNotifyName(QWidget& control) {
    if (!QAccessible::isActive()) return;
    QAccessibleEvent event(&control, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void wydNotifyPressed(QWidget& control, bool checkable) {
    if (!QAccessible::isActive()) return;
    QAccessible::State changed;
    if (checkable)
        changed.checked = true;
    else
        changed.pressed = true;
    QAccessibleStateChangeEvent event(&control, changed);
    QAccessible::updateAccessibility(&event);
}
