// Inputs plugged in and out while the window runs, and a sound server that goes away and comes
// back, on a server of the test's own: the list follows, the input slider always acts on the chosen
// input, the meter never shows what is not measured, and monitoring comes back by itself.

#include "EngineTestKit.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"
#include "UnitPrefs.h"
#include "WindowTestKit.h"

#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

namespace {

// The volume of every source of the server, in percent, from pactl.
std::map<std::string, int> SourceVolumes() {
    std::map<std::string, int> volumes;
    const QString listing = QString::fromStdString(Shell("pactl list sources 2>/dev/null"));
    const QRegularExpression entry(QStringLiteral("Name: (\\S+)[\\s\\S]*?Volume: [^\\n]*?(\\d+)%"));
    for (auto match = entry.globalMatch(listing); match.hasNext();) {
        const auto found = match.next();
        volumes[found.captured(1).toStdString()] = found.captured(2).toInt();
    }
    return volumes;
}

class InputsComeAndGo : public testing::Test {
protected:
    void SetUp() override {
        if (!server.Running()) GTEST_SKIP() << "a private sound server could not be started";
        form = std::make_unique<TForm1>(&boxes);
        form->prefs = new Tprefs(*form);
        ASSERT_TRUE(form->mixok);
    }
    // An input of its own named name (its description too), hearing the sine; the module's index.
    std::string LoadInput(const std::string& name) {
        const std::string index =
            Shell("pactl load-module module-remap-source source_name=" + name +
                  " master=sarvo_sine source_properties=device.description=" + name + " 2>/dev/null");
        EXPECT_FALSE(index.empty()) << "loading " << name;
        return index.substr(0, index.find('\n'));
    }
    void Unload(const std::string& module) { Shell("pactl unload-module " + module); }
    // Waits until the window's list shows (or no longer shows) an entry containing text.
    bool ListShows(const QString& text, bool shown = true) {
        return RunUntil(
            [&] { return (form->ComboRecLines->findText(text, Qt::MatchContains) >= 0) == shown; }, 3000);
    }
    void Choose(const QString& text) {
        form->ComboRecLines->setCurrentIndex(form->ComboRecLines->findText(text, Qt::MatchContains));
        form->ComboRecLinesChange();
    }
    // Moves the input slider to percent, as the user would.
    void MoveInputSlider(int percent) {
        form->SliderMicro->SetPosition(percent);
        form->TrackBar1Change();
    }
    // Only the chosen source has that volume; every other one is left at 100 %.
    void ExpectOnlyThisSourceAt(const std::string& chosen, int percent) {
        RunFor(200); // the server applies the change
        for (const auto& [name, volume] : SourceVolumes()) {
            if (name.find(".monitor") != std::string::npos) continue;
            EXPECT_EQ(volume, name == chosen ? percent : 100)
                << name << " (the chosen input is " << chosen << ")";
        }
    }
    bool MeterMoves() {
        return RunUntil([&] { return form->InputVuMeter->Position() > form->InputVuMeter->Mini() + 10; },
                        5000);
    }

    TPrivateSoundServer server;
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form;
};

} // namespace

TEST_F(InputsComeAndGo, TheInputSliderActsOnTheChosenInputAfterEveryListChange) {
    const std::string first = LoadInput("sarvo_first");
    LoadInput("sarvo_second");
    LoadInput("sarvo_third");
    ASSERT_TRUE(ListShows(QStringLiteral("sarvo_third"))) << "waiting for the new inputs in the list";
    Choose(QStringLiteral("sarvo_second"));
    MoveInputSlider(40);
    ExpectOnlyThisSourceAt("sarvo_second", 40);

    // The first one goes: the positions of the others change, the choice does not.
    Unload(first);
    ASSERT_TRUE(ListShows(QStringLiteral("sarvo_first"), false))
        << "waiting for the unplugged input to leave the list";
    MoveInputSlider(28);
    ExpectOnlyThisSourceAt("sarvo_second", 28);

    // Another input chosen in the settings window, as the user does it.
    QTimer::singleShot(0, form->prefs, [&] {
        QComboBox& list = *form->prefs->ComboBox1;
        list.setCurrentIndex(list.findText(QStringLiteral("sarvo_third"), Qt::MatchContains));
        form->prefs->close();
    });
    form->ConfigButtonClick();
    Shell("pactl set-source-volume sarvo_second 100%");
    MoveInputSlider(55);
    ExpectOnlyThisSourceAt("sarvo_third", 55);

    LoadInput("sarvo_fourth");
    ASSERT_TRUE(ListShows(QStringLiteral("sarvo_fourth"))) << "waiting for the plugged-in input";
    MoveInputSlider(33);
    ExpectOnlyThisSourceAt("sarvo_third", 33);
}

TEST_F(InputsComeAndGo, AnInputPluggedInOrOutAppearsInOrLeavesTheOpenSettingsWindow) {
    std::string module;
    bool appeared = false, left = false;
    QTimer::singleShot(0, form->prefs, [&] {
        module = LoadInput("sarvo_usb_mic");
        QComboBox& list = *form->prefs->ComboBox1;
        appeared =
            RunUntil([&] { return list.findText(QStringLiteral("sarvo_usb_mic"), Qt::MatchContains) >= 0; });
        Unload(module);
        left =
            RunUntil([&] { return list.findText(QStringLiteral("sarvo_usb_mic"), Qt::MatchContains) < 0; });
        form->prefs->close();
    });
    form->ConfigButtonClick();
    EXPECT_TRUE(appeared) << "the new input shows in the settings window without a restart";
    EXPECT_TRUE(left) << "the unplugged input leaves it";
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join(u'|').toStdString();
}

TEST_F(InputsComeAndGo, TheChosenInputGoingAwayWhileIdleIsSaidAtOnceAndItIsChosenAgainWhenItReturns) {
    const std::string module = LoadInput("sarvo_headset");
    ASSERT_TRUE(ListShows(QStringLiteral("sarvo_headset"))) << "waiting for the new input";
    Choose(QStringLiteral("sarvo_headset"));
    const QString name = form->ComboRecLines->currentText();
    ASSERT_TRUE(MeterMoves()) << "waiting for the meter to hear the input";

    Unload(module);
    ASSERT_TRUE(RunUntil([&] { return !boxes.warnings.isEmpty(); }, 2000))
        << "waiting for the window to say it";
    EXPECT_EQ(boxes.warnings.first(), form->InputGoneText(name, false));
    EXPECT_TRUE(RunUntil([&] { return form->InputVuMeter->Position() == form->InputVuMeter->Mini(); }, 1000))
        << "nothing is measured any more: the meter falls to its floor";
    form->RecClick();
    EXPECT_EQ(form->flagState(), flStop) << "no recording of another input";
    EXPECT_EQ(boxes.warnings.last(), form->Texts.wyd_NoInput);

    LoadInput("sarvo_headset");
    ASSERT_TRUE(RunUntil([&] { return form->ComboRecLines->currentText() == name; }))
        << "chosen again when back";
    EXPECT_TRUE(MeterMoves()) << "monitoring comes back with it";
    EXPECT_EQ(boxes.warnings.size(), 2) << boxes.warnings.join(u'|').toStdString();
}

TEST_F(InputsComeAndGo, AServerThatGoesAndComesBackGivesBackMonitoringWithoutARecording) {
    ASSERT_TRUE(MeterMoves()) << "waiting for monitoring to measure the input";
    const QString chosen = form->ComboRecLines->currentText();
    server.Kill();
    EXPECT_TRUE(RunUntil([&] { return form->InputVuMeter->Position() == form->InputVuMeter->Mini(); }, 2000))
        << "no capture means the floor";
    ASSERT_TRUE(server.Start()) << "waiting for the private sound server to start again";
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(RunUntil([&] { return form->ComboRecLines->currentText() == chosen; }, 5000))
        << "the input list comes back by itself";
    ASSERT_TRUE(MeterMoves()) << "monitoring and the meter come back by themselves";
    std::printf("figure: monitoring back %lld ms after the server\n", static_cast<long long>(back.elapsed()));
    EXPECT_LT(back.elapsed(), 5000);
    EXPECT_EQ(form->flagState(), flStop) << "nothing records";
    EXPECT_EQ(form->MP3Out1.Status(), tosIdle);
}
