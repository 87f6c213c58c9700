// What assistive technology reads of the skinned controls, and what the keyboard does to them.

#include "ButtonEvents.h"
#include "wydAccessible.h"
#include "wydPanel.h"
#include "wydPngButton.h"
#include "wydSlider.h"
#include "wydVProgress.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <vector>

namespace {

QAccessibleInterface* Interface(QWidget* control) { return QAccessible::queryAccessibleInterface(control); }

QAccessibleActionInterface* Actions(QWidget* control) { return Interface(control)->actionInterface(); }

QAccessibleValueInterface* Value(QWidget* control) { return Interface(control)->valueInterface(); }

void Key(QWidget* control, int key, bool autoRepeat = false) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(control, &press);
}

struct Controls : testing::Test {
    void SetUp() override {
        QImage picture(20, 10, QImage::Format_ARGB32);
        picture.fill(Qt::gray);
        list.Add(picture);
        list.Add(picture);
        button = new TwydPngButton(&window);
        button->SetPngListe(&list);
        button->SetIndexNormal(0);
        button->SetIndexDown(1);
        RecordButtonEvents(*button, seen);
        slider = new TwydSlider(&window);
        slider->setGeometry(0, 40, 32, 99);
        slider->SetOrientation(orVertical);
        slider->SetOnChange([this](QObject*) { seen.push_back("slider"); });
        window.resize(300, 200);
    }

    TwydPngListe list;
    QWidget window;
    TwydPngButton* button = nullptr;
    TwydSlider* slider = nullptr;
    SeenEvents seen;
};

} // namespace

TEST_F(Controls, AButtonIsAPushButtonNamedByItsWindow) {
    QAccessibleInterface* iface = Interface(button);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Button);
    EXPECT_EQ(iface->text(QAccessible::Name), "Ok!") << "without a name of its own, its caption";
    button->SetShowCaption(false);
    EXPECT_EQ(iface->text(QAccessible::Name), "");
    button->setAccessibleName("Record");
    button->setAccessibleDescription("Keys: R or +");
    EXPECT_EQ(iface->text(QAccessible::Name), "Record");
    EXPECT_EQ(iface->text(QAccessible::Description), "Keys: R or +");
    EXPECT_TRUE(iface->state().focusable);
    EXPECT_FALSE(iface->state().pressed);
    EXPECT_TRUE(Actions(button)->actionNames().contains(QAccessibleActionInterface::pressAction()));
    button->SetButtonState(wydButtonDown);
    EXPECT_TRUE(iface->state().pressed);
    button->setEnabled(false);
    EXPECT_TRUE(iface->state().disabled);
}

TEST_F(Controls, PressActionAndKeysClickAsThePointerDoesOnce) {
    const SeenEvents click{"change:down", "down", "toggle", "click", "change:normal", "up", "toggle"};
    Actions(button)->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(seen, click);
    for (int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        seen.clear();
        Key(button, key);
        Key(button, key, true);
        EXPECT_EQ(seen, click) << "key " << key << ", then its repeat, which does nothing";
    }
    seen.clear();
    Key(button, Qt::Key_A);
    EXPECT_TRUE(seen.empty());

    button->SetSwitchMode(Toggle);
    seen.clear();
    Actions(button)->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(seen, (SeenEvents{"change:down", "down", "toggle", "click"}));
    EXPECT_TRUE(Interface(button)->state().checkable);
    EXPECT_TRUE(Interface(button)->state().checked);
    EXPECT_FALSE(Interface(button)->state().pressed);

    button->setEnabled(false);
    seen.clear();
    Actions(button)->doAction(QAccessibleActionInterface::pressAction());
    Key(button, Qt::Key_Space);
    EXPECT_TRUE(seen.empty()) << "a disabled button does nothing";
}

TEST_F(Controls, ADecorativeButtonIsAPictureWithoutNameOrAction) {
    QAccessibleInterface* iface = Interface(button); // made before the mark, as in a window
    button->setAccessibleName("Banner");
    wydSetDecorative(*button);
    EXPECT_EQ(iface->role(), QAccessible::Graphic);
    EXPECT_EQ(iface->text(QAccessible::Name), "");
    EXPECT_TRUE(Actions(button)->actionNames().isEmpty());
    Actions(button)->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
}

TEST_F(Controls, ASliderHasAValueThatActionsAndKeysMove) {
    QAccessibleInterface* iface = Interface(slider);
    EXPECT_EQ(iface->role(), QAccessible::Slider);
    EXPECT_FALSE(iface->state().readOnly);
    EXPECT_TRUE(iface->state().focusable);
    EXPECT_EQ(Value(slider)->currentValue().toInt(), 50);
    EXPECT_EQ(Value(slider)->minimumValue().toInt(), 0);
    EXPECT_EQ(Value(slider)->maximumValue().toInt(), 100);
    EXPECT_EQ(Value(slider)->minimumStepSize().toInt(), 1);
    Value(slider)->setCurrentValue(30);
    EXPECT_EQ(slider->Position(), 30);
    EXPECT_EQ(seen, SeenEvents{"slider"});
    EXPECT_EQ(iface->text(QAccessible::Value), "30");

    const struct {
        int key;
        int after;
    } steps[] = {{Qt::Key_Up, 31},     {Qt::Key_Right, 32},    {Qt::Key_Down, 31}, {Qt::Key_Left, 30},
                 {Qt::Key_PageUp, 40}, {Qt::Key_PageDown, 30}, {Qt::Key_End, 100}, {Qt::Key_Up, 100},
                 {Qt::Key_Home, 0},    {Qt::Key_PageDown, 0}};
    for (const auto& step : steps) {
        QKeyEvent key(QEvent::KeyPress, step.key, Qt::NoModifier);
        EXPECT_TRUE(slider->MovesWith(key)) << step.key;
        Key(slider, step.key);
        EXPECT_EQ(slider->Position(), step.after) << "after key " << step.key;
    }
    EXPECT_FALSE(slider->MovesWith(QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier)));
}

TEST_F(Controls, ASliderThatTakesNoInputIsReadOnlyAndLeftOutOfTheFocus) {
    slider->SetInteractive(0);
    EXPECT_TRUE(Interface(slider)->state().readOnly);
    EXPECT_FALSE(Interface(slider)->state().focusable);
    Value(slider)->setCurrentValue(10);
    Key(slider, Qt::Key_Up);
    EXPECT_EQ(slider->Position(), 50);
    EXPECT_FALSE(slider->MovesWith(QKeyEvent(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier)));
    slider->SetInteractive(actMouseWheel);
    EXPECT_EQ(slider->focusPolicy(), Qt::TabFocus);
}

TEST_F(Controls, TheLevelBarIsAReadOnlyProgressBar) {
    TwydVProgress bar(&window);
    bar.setGeometry(0, 0, 12, 98);
    bar.SetMini(-35);
    bar.SetMaxi(3);
    bar.SetPosition(-20);
    QAccessibleInterface* iface = Interface(&bar);
    EXPECT_EQ(iface->role(), QAccessible::ProgressBar);
    EXPECT_TRUE(iface->state().readOnly);
    EXPECT_FALSE(iface->state().focusable);
    EXPECT_EQ(Value(&bar)->currentValue().toInt(), -20);
    EXPECT_EQ(Value(&bar)->minimumValue().toInt(), -35);
    EXPECT_EQ(Value(&bar)->maximumValue().toInt(), 3);
    Value(&bar)->setCurrentValue(0);
    EXPECT_EQ(bar.Position(), -20);
}

TEST_F(Controls, APanelReadsAsItsCaption) {
    TwydPanel panel(&window);
    panel.SetCaption("00:01:05");
    QAccessibleInterface* iface = Interface(&panel);
    EXPECT_EQ(iface->role(), QAccessible::StaticText);
    EXPECT_EQ(iface->text(QAccessible::Name), "00:01:05");
    EXPECT_EQ(iface->text(QAccessible::Value), "00:01:05");
    panel.setAccessibleName("Clock");
    EXPECT_EQ(iface->text(QAccessible::Name), "Clock");
    panel.setAccessibleName(QString());
    panel.SetShowCaption(false);
    EXPECT_EQ(iface->text(QAccessible::Name), "");
}

TEST_F(Controls, AFocusedControlShowsAFocusFrame) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << "the window did not become active";
    // Pixels of the top row in the focus colour.
    const auto framed = [](QWidget* control) {
        QImage shot(control->size(), QImage::Format_ARGB32);
        shot.fill(Qt::transparent);
        control->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
        int count = 0;
        for (int x = 0; x < shot.width(); ++x)
            count += shot.pixel(x, 0) == control->palette().color(QPalette::Highlight).rgba();
        return count;
    };
    slider->SetColorBg(clNone);
    EXPECT_EQ(framed(slider), 0);
    slider->setFocus();
    ASSERT_TRUE(slider->hasFocus());
    EXPECT_GE(framed(slider), slider->width() / 2) << "a dashed line along the top";
    button->setFocus();
    EXPECT_EQ(framed(slider), 0);
    EXPECT_GE(framed(button), button->width() / 2);
}
