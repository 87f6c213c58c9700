#pragma once
// Writes down a picture button's notifications in the order they come, by name.

#include "wydPngButton.h"

#include <string>
#include <vector>

using SeenEvents = std::vector<std::string>;

inline void RecordButtonEvents(TwydPngButton& button, SeenEvents& seen) {
    const auto record = [&seen](const char* what) {
        return [&seen, what](QObject*) { seen.push_back(what); };
    };
    button.SetOnChange([&button, &seen](QObject*) {
        seen.push_back(button.StatePicture() == 1 ? "change:down" : "change:normal");
    });
    button.SetOnMouseDown(record("down"));
    button.SetOnMouseUp(record("up"));
    button.SetOnToggle(record("toggle"));
    button.SetOnClick(record("click"));
}
