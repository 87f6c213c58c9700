#pragma once
// What the settings and about windows may ask of the main window that shows them, and no more.

#include <QString>

class QWidget;
class TLanguage;
class TMessageBoxes;

class TWindowHost {
public:
    // The window the dialogs stand over.
    virtual QWidget* HostWindow() = 0;
    // The interface texts of the language in use.
    virtual const TLanguage& Language() const = 0;
    // What assistive technology reads for a control without text of its own.
    virtual QString AccessText(const QString& key) const = 0;
    virtual TMessageBoxes& Boxes() = 0;
    // Switches the whole interface, the main window's included.
    virtual void ChangeLanguage(const QString& lang) = 0;
    virtual bool LoadSkin(const QString& name) = 0;
    // The program's own folder, with its trailing separator.
    virtual QString ProgramFolder() const = 0;

protected:
    ~TWindowHost() = default;
};
