#pragma once
// What assistive technology reads of the skinned controls: a role, a name and a state for each, a
// value for the slider and the level bar, a press action for the button. A control's name is its
// accessible name, set by its window from the language table, so it follows the language.

#include <QVariant>
#include <QWidget>

// Makes the skinned controls readable; the controls call it when they are made. Once is enough.
void wydInstallAccessibility();

// A control that only decorates (a banner, a frame, a lamp): read as a picture, without a name
// or an action.
void wydSetDecorative(QWidget& control);
bool wydIsDecorative(const QWidget& control);

// Tell a listening assistive technology what changed; nothing happens when none listens.
void wydNotifyValue(QWidget& control, const QVariant& value);
void wydNotifyName(QWidget& control);
void wydNotifyPressed(QWidget& control, bool checkable);
