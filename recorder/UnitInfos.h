#pragma once
// The about window: the start-up splash with its countdown, then an ordinary dialog shown by the
// main window's about button. Product and maker, the instrument's invitation, the terms of use.

#include "wydPngList.h"

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

class TWindowHost;

class TInfos : public QDialog {
    Q_OBJECT
public:
    explicit TInfos(TWindowHost& main);

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QLabel *Image1 = nullptr, *ImageOrvan = nullptr;
    QLabel *LabelTrouvezDoc = nullptr, *velmaroskLink = nullptr;
    QLabel* LabelCountdown = nullptr;
    QLabel* LabelDecouvrezOrvan = nullptr;
    QWidget* LabelSlogan = nullptr;
    QLabel* LabelLinkOrvan = nullptr;
    QPlainTextEdit* MemoLicense = nullptr;
    QTimer Timer1;
    int Countdown = 0;

    void SetLanguage(const QString& lang);
    void Timer1Timer();
    // The slogan's text, drawn turned by 10 degrees.
    QString SloganText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void CreateLeftPanel();
    void CreateRightPanel();
    bool LoadTermsOfUse(const QString& lang);
    void OpenLink(QLabel* link);

    TWindowHost& FMain;
    TwydPngListe FPictures;
};
