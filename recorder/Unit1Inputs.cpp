// Recording inputs, the two volume sliders and the input level meter.

#include "AuText.h"
#include "Unit1.h"
#include "UnitPrefs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Mixer names are cut to this many characters; capture devices match on as many.
constexpr size_t MixerNameCharacters = 31;

QString LineAndMixer(const QString& line, const QString& mixer) {
    return line + QStringLiteral(" (") + mixer + QStringLiteral(")");
}

// The line's name and its mixer's in parentheses; the name alone when the line is named after its
// mixer, as the one line of an input without ports is.
QString InputEntryText(const std::string& line, const std::string& mixer) {
    const QString name = QString::fromStdString(line);
    return FirstCharacters(line, MixerNameCharacters) == mixer
               ? name
               : LineAndMixer(name, QString::fromStdString(mixer));
}

} // namespace

bool IsSavedInput(const QString& entry, const QString& saved) {
    const QString mixer = QString::fromStdString(FirstCharacters(entry.toStdString(), MixerNameCharacters));
    return saved == entry || saved == LineAndMixer(entry, mixer);
}

int16_t TForm1::PairPeak(const uint8_t* data, int32_t bytes) {
    // A pair of loud samples of one sign does not fit 16 bits: saturate, so full scale reads 1.0.
    const auto pairSum = [data](int32_t pair) {
        int16_t samples[2];
        std::memcpy(samples, data + 4 * pair, sizeof samples);
        return std::clamp<int32_t>(int32_t{samples[0]} + samples[1], -32768, 32767);
    };
    int32_t peak = pairSum(0);
    for (int32_t i = 0; i < bytes / 4; ++i) {
        const int32_t v = pairSum(i);
        if (std::abs(v) > std::abs(peak)) peak = v;
    }
    return static_cast<int16_t>(peak);
}

void TForm1::AudioProcessor1GetData(void*& Buffer, uint32_t& Bytes) {
    if (EndOfInput) {
        Buffer = nullptr;
        Bytes = 0;
        return;
    }
    const auto wanted = static_cast<int32_t>(std::min<size_t>(Bytes, TmpBuf.size()));
    bool endOfInput = false;
    const int32_t got = AudioProcessor1.Input()->FillBuffer(TmpBuf.data(), wanted, endOfInput);
    EndOfInput = endOfInput;
    tmpdata = PairPeak(TmpBuf.data(), got);
    Buffer = got > 0 ? TmpBuf.data() : nullptr;
    Bytes = static_cast<uint32_t>(std::max(got, 0));
}

std::optional<long double> TForm1::NextMeterLevel() {
    const long double level = std::abs(int32_t{tmpdata}) / 32768.0L;
    oldlinearrec = std::max(oldlinearrec * 0.8L, level);
    if (oldlinearrec <= 0) return std::nullopt;
    return 20 * std::log10(oldlinearrec);
}

void TForm1::UpdateLevelMeter() {
    if (const auto level = NextMeterLevel()) InputVuMeter->SetPosition(*level);
}

void TForm1::AddInput(int32_t mixer, int32_t destination, int32_t line, TDXAudioIn& dxInput, bool& matched) {
    if (FInputCount >= static_cast<int>(mixLines.size())) return; // the table is full
    TAudioMixerLine* source = AudioMixer1.Lines(static_cast<uint16_t>(line));
    ComboRecLines->addItem(InputEntryText(source->Name(), AudioMixer1.MixerName()));
    TMixLine& entry = mixLines[FInputCount++];
    entry = TMixLine{mixer, destination, line, -1, AudioMixer1.MixerIdentifier()};
    // The server names both the same way; a platform without names is matched by description.
    if (!entry.Source.empty()) {
        entry.dxmixnum = dxInput.DeviceNumberOf(entry.Source);
        matched = matched || entry.dxmixnum >= 0;
        return;
    }
    for (int32_t n = 0; n < dxInput.DeviceCount(); ++n) {
        if (FirstCharacters(dxInput.GetDeviceName(n), MixerNameCharacters) != AudioMixer1.MixerName())
            continue;
        entry.dxmixnum = n;
        matched = true;
    }
}

bool TForm1::FillInputTable(TDXAudioIn& dxInput) {
    mixok = false;
    FInputCount = 0;
    bool matched = false;
    ComboRecLines->clear();
    // Wave-in lines of every recording destination first, then the others.
    for (const bool waveInPass : {true, false}) {
        for (uint32_t m = 0; m < AudioMixer1.MixerCount(); ++m) {
            AudioMixer1.SetMixerID(m);
            for (uint32_t d = 0; d < AudioMixer1.DestinationCount(); ++d) {
                AudioMixer1.SetDestinationID(d);
                const TAudioMixerLine* master = AudioMixer1.Master();
                if (!master || master->TargetType() != tgWaveIn || AudioMixer1.LineCount() == 0) continue;
                for (uint16_t l = 0; l < AudioMixer1.LineCount(); ++l)
                    if ((AudioMixer1.Lines(l)->TargetType() == tgWaveIn) == waveInPass)
                        AddInput(static_cast<int32_t>(m), static_cast<int32_t>(d), l, dxInput, matched);
            }
        }
    }
    return FInputCount > 0 && matched;
}

bool TForm1::InitMic(TDXAudioIn& dxInput) {
    mixok = false;
    FInputCount = 0;
    if (AudioMixer1.MixerCount() == 0) return false;
    if (!FillInputTable(dxInput)) {
        FBoxes->ShowMessage(this, Texts.wyd_NoCompliantInputDevice2);
        ComboRecLines->setCurrentIndex(-1);
        ComboRecLines->setPlaceholderText(QStringLiteral(" ") + Texts.wyd_NoCompliantInputDevice3);
        ComboRecLines->setEnabled(false);
        return false;
    }
    ComboRecLines->setCurrentIndex(0);
    ApplyInput(0);
    mixok = true;
    return true;
}

int TForm1::InputIndexOf(const std::string& source) const {
    for (int i = 0; i < FInputCount; ++i)
        if (mixLines[static_cast<size_t>(i)].Source == source) return i;
    return -1;
}

TMixLine TForm1::CurrentPositions(const TMixLine& entry) const {
    if (entry.Source.empty()) return entry;
    TMixLine current = entry;
    current.SysMix = AudioMixer1.FindMixer(entry.Source);
    current.dxmixnum = DXAudioIn1.DeviceNumberOf(entry.Source);
    return current;
}

TAudioMixerLine* TForm1::LevelLine() const {
    const int index = ComboRecLines->currentIndex();
    if (isMaster || index < 0) return AudioMixer1.Master();
    return AudioMixer1.Lines(static_cast<uint16_t>(mixLines[index].LineMix));
}

void TForm1::ApplyInput(int index) {
    const TMixLine& entry = mixLines[static_cast<size_t>(index)];
    FChosenSource = entry.Source;
    FChosenName = ComboRecLines->itemText(index);
    FToldInputGone = false;
    // Positions change when inputs come and go; the mixer and the capture open the one by name.
    const TMixLine current = CurrentPositions(entry);
    DXAudioIn1.SetDeviceNumber(current.dxmixnum);
    if (current.SysMix < 0) return;
    AudioMixer1.SetMixerID(static_cast<uint32_t>(current.SysMix));
    AudioMixer1.SetDestinationID(static_cast<uint32_t>(current.DestMix));
    TAudioMixerLine* master = AudioMixer1.Master();
    if (!master) return;
    master->SetSelectedLine(current.LineMix);
    const TMixerControlTypes controls = master->AvailableControls();
    isMaster = controls.Contains(mcVolume) || controls.Contains(mcMute);
    if (TAudioMixerLine* line = LevelLine()) SliderMicro->SetPosition(line->Volume());
}

void TForm1::ComboRecLinesChange() {
    const int index = ComboRecLines->currentIndex();
    if (!mixok || index < 0 || index >= FInputCount) return;
    ApplyInput(index);
    if (NULLOut1.Status() != tosIdle) {
        NULLOut1.Stop(false);
        StartMonitoring(); // now from the newly chosen device
    }
}

void TForm1::InputsChanged() {
    DXAudioIn1.RefreshDevices();
    mixok = FillInputTable(DXAudioIn1);
    const int index = InputIndexOf(FChosenSource);
    ComboRecLines->setCurrentIndex(index);
    RefreshSettingsInputs();
    if (FSettingsOpen) return; // the settings window applies its choice when it closes
    if (index < 0) {
        DXAudioIn1.SetDeviceNumber(-1);
        // A recording under way fails by itself and says so; an idle window says it at once.
        if (!RecordingOpen()) TellInputGone(false, {});
        return;
    }
    ApplyInput(index);
    if (MayMonitor()) StartMonitoring();
}

void TForm1::RefreshSettingsInputs() {
    if (!FSettingsOpen || !prefs) return;
    QComboBox& shown = *prefs->ComboBox1;
    const QString choice = shown.currentText();
    shown.clear();
    for (int i = 0; i < ComboRecLines->count(); ++i) shown.addItem(ComboRecLines->itemText(i));
    shown.setCurrentIndex(shown.findText(choice));
}

bool TForm1::MayMonitor() const {
    return !FSettingsOpen && !RecordingOpen() && MP3Out1.Status() == tosIdle &&
           NULLOut1.Status() == tosIdle && DXAudioIn1.DeviceNumber() >= 0;
}

void TForm1::NULLOut1Done() {
    // Nothing is measured any more: the meter falls to its floor, and monitoring is tried again.
    tmpdata = 0;
    if (MayMonitor()) FMonitorRetry.start(MonitorRetryMs);
}

void TForm1::TrackBar1Change() {
    if (!mixok) return;
    if (TAudioMixerLine* line = LevelLine())
        line->SetVolume(static_cast<int32_t>(RoundHalfEven(static_cast<double>(SliderMicro->Position()))));
}

void TForm1::SpiCursor2Change() {
    const auto position = static_cast<double>(SliderOutput->Position());
    SetPlayerVolume(static_cast<int32_t>(RoundHalfEven(position * 10)));
    if (VolumeLabel)
        SetLabelText(*VolumeLabel, QStringLiteral("Volume: ") + QString::number(RoundHalfEven(position)));
}
