#pragma once
// Every message box and the folder chooser of the windows go through this seam, so tests can answer
// without a person.

#include <QString>

class QWidget;

class TMessageBoxes {
public:
    virtual ~TMessageBoxes() = default;
    // A plain message with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text);
    // The same with the warning icon (something the user can act on) or the error icon.
    virtual void ShowWarning(QWidget* parent, const QString& text);
    virtual void ShowError(QWidget* parent, const QString& text);
    // A Yes/No question, Yes the default button; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text);
    // An OK/Cancel warning with its caption; true for OK.
    virtual bool AskOkCancel(QWidget* parent, const QString& caption, const QString& text);
    // The system's folder chooser with an instruction, starting at start (none when empty); the
    // chosen folder, or empty when the user cancelled.
    virtual QString ChooseFolder(QWidget* parent, const QString& instruction, const QString& start);
};

// Texts hold "\r\n" line breaks; widgets want "\n".
QString DisplayText(QString text);
