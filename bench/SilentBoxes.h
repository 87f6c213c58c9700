#pragma once
// Message boxes that answer nothing and show nothing, for benchmarks that start the main window.

#include "MessageBoxes.h"

struct TSilentBoxes : TMessageBoxes {
    void ShowMessage(QWidget*, const QString&) override {}
    void ShowWarning(QWidget*, const QString&) override {}
    void ShowError(QWidget*, const QString&) override {}
    bool AskYesNo(QWidget*, const QString&) override { return false; }
    bool AskOkCancel(QWidget*, const QString&, const QString&) override { return false; }
};
