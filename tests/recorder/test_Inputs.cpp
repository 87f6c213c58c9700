// Recording inputs from the private sound server, the two volume sliders and the level meter.

#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

struct Inputs : testing::Test {
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(&boxes);

    int Entry(const QString& startsWith) const {
        return form->ComboRecLines->findText(startsWith, Qt::MatchStartsWith);
    }
    // The meter after one timer step while idle, with tmpdata as the last peak.
    int MeterAfter(int16_t peak) {
        form->InputVuMeter->SetPosition(form->InputVuMeter->Mini());
        form->tmpdata = peak;
        form->UpdateLevelMeter();
        return static_cast<int>(form->InputVuMeter->Position());
    }
};

std::vector<uint8_t> Pcm(std::initializer_list<int16_t> samples) {
    std::vector<uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), std::data(samples), bytes.size());
    return bytes;
}

} // namespace

TEST_F(Inputs, RealInputsAreListedBeforeMonitorsEachWithItsCaptureDevice) {
    ASSERT_TRUE(form->mixok);
    const int sine = form->ComboRecLines->findText(QStringLiteral("Sine source at 440 Hz"));
    const int paced = form->ComboRecLines->findText(QStringLiteral("Paced_tone_440_Hz"));
    const int monitor = form->ComboRecLines->findText(QStringLiteral("Monitor of Sarvo_null_output"));
    ASSERT_GE(sine, 0);
    ASSERT_GE(paced, 0);
    ASSERT_GE(monitor, 0);
    EXPECT_LT(sine, monitor);
    EXPECT_LT(paced, monitor) << "monitors are not wave-in lines, so they come last";
    EXPECT_EQ(form->ComboRecLines->currentIndex(), 0);
    for (int i = 0; i < form->ComboRecLines->count(); ++i) {
        const int device = form->mixLines[i].dxmixnum;
        ASSERT_GE(device, 0);
        // Inputs without ports have one line, named after the input: shown once, whole, though the
        // mixer's name is cut to 31 characters (PipeWire's monitors of loopbacks are longer).
        const QString mixer = QString::fromStdString(form->DXAudioIn1.GetDeviceName(device)).left(31);
        const QString text = form->ComboRecLines->itemText(i);
        EXPECT_TRUE(text.left(31) == mixer ||
                    text.endsWith(QStringLiteral("(") + mixer + QStringLiteral(")")))
            << text.toStdString();
        EXPECT_FALSE(text.endsWith(QStringLiteral(" (") + text.section(QStringLiteral(" ("), 0, 0) +
                                   QStringLiteral(")")))
            << "the name twice: " << text.toStdString();
    }

    form->ComboRecLines->setCurrentIndex(paced);
    form->ComboRecLinesChange();
    EXPECT_EQ(form->DXAudioIn1.DeviceNumber(), form->mixLines[paced].dxmixnum);
    EXPECT_TRUE(form->isMaster) << "a source's volume is on its master line";
    EXPECT_EQ(form->NULLOut1.Status(), tosPlaying) << "monitoring goes on from the new input";
}

TEST_F(Inputs, SavedInputIsSelectedAtStartAndAnUnknownOneFallsBackToTheFirst) {
    const QString prefs = home.Path(QStringLiteral(".config/Sarvo Mp3 Recorder/prefs.ini"));
    const auto startWith = [&](const QByteArray& name) {
        QFile file(prefs);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Input]\nName=" + name + "\n");
        file.close();
        form = std::make_unique<TForm1>(&boxes);
    };
    for (const QByteArray saved : {"Paced_tone_440_Hz", "Paced_tone_440_Hz (Paced_tone_440_Hz)"}) {
        startWith(saved);
        EXPECT_EQ(form->ComboRecLines->currentIndex(), Entry(QStringLiteral("Paced_tone")))
            << saved.toStdString();
    }
    startWith("A microphone that was unplugged (USB)");
    EXPECT_EQ(form->ComboRecLines->currentIndex(), 0);
}

TEST_F(Inputs, InputSliderSetsTheLevelLineOnlyOnceTheListIsBuilt) {
    TAudioMixerLine* master = form->AudioMixer1.Master();
    ASSERT_NE(master, nullptr);
    const int before = master->Volume();
    EXPECT_EQ(static_cast<int>(form->SliderMicro->Position()), before)
        << "the slider shows the input's level";
    form->mixok = false;
    form->SliderMicro->SetPosition(before == 30 ? 40 : 30);
    EXPECT_EQ(master->Volume(), before) << "without a usable input list the slider changes nothing";
    form->mixok = true;
    form->SliderMicro->SetPosition(37);
    EXPECT_EQ(master->Volume(), 37);
    form->SliderMicro->SetPosition(before);
    EXPECT_EQ(master->Volume(), before);
}

TEST_F(Inputs, OutputSliderSetsThePlayerVolumeAndTheLabel) {
    form->SliderOutput->SetPosition(37);
    EXPECT_EQ(form->mp3player.Volume(), 370);
    EXPECT_EQ(form->VolumeLabel->text(), QStringLiteral("Volume: 37"));
    EXPECT_GE(form->VolumeLabel->width(), form->VolumeLabel->sizeHint().width()) << "the label fits its text";
}

TEST_F(Inputs, PeakOfSamplePairs) {
    EXPECT_EQ(TForm1::PairPeak(Pcm({0, 0, 0, 0}).data(), 8), 0);
    EXPECT_EQ(TForm1::PairPeak(Pcm({-16384, -16384}).data(), 4), -32768) << "a pair summing to -32768";
    EXPECT_EQ(TForm1::PairPeak(Pcm({-32768, -32768}).data(), 4), -32768)
        << "full scale saturates, reading 1.0";
    EXPECT_EQ(TForm1::PairPeak(Pcm({32767, 32767}).data(), 4), 32767);
    EXPECT_EQ(TForm1::PairPeak(Pcm({100, 0, -3000, 277, 50, 50}).data(), 12), -2723)
        << "the largest magnitude wins";
    EXPECT_EQ(TForm1::PairPeak(Pcm({100, 0, -3000, 277, 9000, 9000}).data(), 10), -2723)
        << "only complete groups of four bytes count";
}

TEST_F(Inputs, MeterShowsThePeakInDecibelsAndFallsByFourFifthsPerTick) {
    form->NULLOut1.Stop(false); // nothing else writes the peak meanwhile
    form->oldlinearrec = 0;
    EXPECT_EQ(MeterAfter(0), -35) << "silence";
    EXPECT_EQ(MeterAfter(-32768), 0) << "full scale";
    form->oldlinearrec = 0;
    EXPECT_EQ(MeterAfter(3277), -20);
    // 20 log10(0.8) = -1.94 dB per tick.
    for (const int expected : {-22, -24, -26, -28, -30}) EXPECT_EQ(MeterAfter(0), expected);
    EXPECT_EQ(MeterAfter(-32768), 0) << "a new peak rises at once";
}

TEST_F(Inputs, MonitoringMovesTheMeterWithTheSineInput) {
    bool moved = false;
    QElapsedTimer clock;
    clock.start();
    while (!moved && clock.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        moved = form->InputVuMeter->Position() > -35;
    }
    EXPECT_TRUE(moved) << "the half-scale sine shows on the meter";
}

TEST(InputNames, ASavedNameOfTheFormerLongerFormStillSelectsItsInput) {
    const QString portless = QStringLiteral("Built-in Audio Analog Stereo Microphone Array");
    EXPECT_TRUE(IsSavedInput(portless, portless));
    EXPECT_TRUE(IsSavedInput(portless, portless + QStringLiteral(" (Built-in Audio Analog Stereo Mi)")))
        << "the mixer's name was cut to 31 characters";
    EXPECT_TRUE(IsSavedInput(QStringLiteral("Mic"), QStringLiteral("Mic (Mic)")));
    EXPECT_TRUE(
        IsSavedInput(QStringLiteral("Microphone (USB Audio)"), QStringLiteral("Microphone (USB Audio)")));
    EXPECT_FALSE(IsSavedInput(QStringLiteral("Microphone (USB Audio)"), QStringLiteral("Microphone")));
    EXPECT_FALSE(IsSavedInput(QStringLiteral("Mic"), QStringLiteral("Mic (Webcam)")));
}
