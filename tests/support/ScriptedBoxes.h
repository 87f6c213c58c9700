#pragma once
// Message boxes answered by the test: every box is recorded, questions take the next scripted answer.

#include "MessageBoxes.h"

#include <QStringList>
#include <deque>

class ScriptedBoxes : public TMessageBoxes {
public:
    std::deque<bool> answers; // Yes/OK is true; an empty script answers No/Cancel
    QStringList shown;        // every text shown, questions included, in order
    QStringList warnings;     // the texts shown with the warning icon
    QStringList errors;       // the texts shown with the error icon
    QString chosenFolder;     // what the folder chooser answers; empty is a cancel
    QString folderInstruction, folderStart;

    void ShowMessage(QWidget*, const QString& text) override { shown << text; }
    void ShowWarning(QWidget*, const QString& text) override {
        shown << text;
        warnings << text;
    }
    void ShowError(QWidget*, const QString& text) override {
        shown << text;
        errors << text;
    }
    bool AskYesNo(QWidget*, const QString& text) override { return Answer(text); }
    bool AskOkCancel(QWidget*, const QString&, const QString& text) override { return Answer(text); }
    // Forgets every text shown so far.
    void Clear() {
        shown.clear();
        warnings.clear();
        errors.clear();
    }
    QString ChooseFolder(QWidget*, const QString& instruction, const QString& start) override {
        folderInstruction = instruction;
        folderStart = start;
        return chosenFolder;
    }

private:
    bool Answer(const QString& text) {
        shown << text;
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
