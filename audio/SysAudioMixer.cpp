#include "SysAudioMixer.h"

#include "AuPipeline.h"

#include <algorithm>

namespace {

// value × numerator ÷ denominator, rounded to nearest, in 64 bits.
uint32_t ScaleRounded(uint64_t value, uint64_t numerator, uint64_t denominator) {
    if (denominator == 0) return 0;
    return static_cast<uint32_t>((value * numerator + denominator / 2) / denominator);
}

constexpr TMixerLineComponentType KnownComponentTypes[] = {
    cmDstUndefined,  cmDstDigital,   cmDstLine,       cmDstMonitor,     cmDstSpeakers,
    cmDstHeadphones, cmDstTelephone, cmDstWaveIn,     cmDstVoiceIn,     cmSrcUndefined,
    cmSrcDigital,    cmSrcLine,      cmSrcMicrophone, cmSrcSynthesizer, cmCompactDisc,
    cmSrcTelephone,  cmSrcPCSpeaker, cmSrcWaveOut,    cmSrcAuxiliary,   cmSrcAnalog};

} // namespace

// ---------------------------------------------------------------------------------------------
// Line

TAudioMixerLine::TAudioMixerLine(TSysAudioMixer* AMixer, int32_t AID) : fMixer(AMixer) { LoadLine(AID); }

void TAudioMixerLine::LoadLine(int32_t AID) {
    fID = AID;
    fLineInfo = {};
    TMixerPlatform& platform = *fMixer->fPlatform;
    const uint32_t destination = fMixer->DestinationID();
    fLastError =
        AID >= 0 ? platform.LineBySource(fMixer->Handle(), destination, static_cast<uint32_t>(AID), fLineInfo)
                 : platform.LineByDestination(fMixer->Handle(), destination, fLineInfo);
    fAvailableControls = {};
    if (fLastError != MMSYSERR_NOERROR) return;
    for (int kind = mcVolume; kind <= mcMix; ++kind) {
        fControls[kind] = {};
        if (platform.LineControl(fMixer->Handle(), fLineInfo.dwLineID, MixerControlTypeValue[kind],
                                 fControls[kind]) == MMSYSERR_NOERROR)
            fAvailableControls.Include(static_cast<TMixerControlType>(kind));
    }
}

TMixerLineTargetType TAudioMixerLine::TargetType() const {
    return fLineInfo.dwType <= tgAux ? static_cast<TMixerLineTargetType>(fLineInfo.dwType) : tgUndefined;
}

TMixerLineComponentType TAudioMixerLine::ComponentType() const {
    const auto* known = std::find(std::begin(KnownComponentTypes), std::end(KnownComponentTypes),
                                  static_cast<TMixerLineComponentType>(fLineInfo.dwComponentType));
    return known != std::end(KnownComponentTypes) ? *known : cmDstUndefined;
}

TMixerLineFlags TAudioMixerLine::Flags() const {
    TMixerLineFlags flags;
    if (fLineInfo.fdwLine & MIXERLINE_LINEF_ACTIVE) flags.Include(lfActive);
    if (fLineInfo.fdwLine & MIXERLINE_LINEF_DISCONNECTED) flags.Include(lfDisconnected);
    if (fLineInfo.fdwLine & MIXERLINE_LINEF_SOURCE) flags.Include(lfSource);
    return flags;
}

bool TAudioMixerLine::FindControl(uint32_t controlID, TMixerControlType& kind) const {
    for (int k = mcVolume; k <= mcMix; ++k)
        if (fAvailableControls.Contains(static_cast<TMixerControlType>(k)) &&
            fControls[k].dwControlID == controlID) {
            kind = static_cast<TMixerControlType>(k);
            return true;
        }
    return false;
}

int32_t TAudioMixerLine::Volume() {
    fLastError = MIXERR_INVALCONTROL;
    if (!fAvailableControls.Contains(mcVolume)) return -1;
    const TMixerControl& control = fControls[mcVolume];
    std::vector<uint32_t> values;
    fLastError = fMixer->fPlatform->GetValues(fMixer->Handle(), control.dwControlID, 0, values);
    if (fLastError != MMSYSERR_NOERROR || values.empty()) return -1;
    return static_cast<int32_t>(ScaleRounded(values[0], 100, control.dwMaximum));
}

void TAudioMixerLine::SetVolume(int32_t Value) {
    fLastError = MIXERR_INVALCONTROL;
    if (!fAvailableControls.Contains(mcVolume)) return;
    const TMixerControl& control = fControls[mcVolume];
    const auto percent = static_cast<uint32_t>(std::clamp(Value, 0, 100));
    fLastError = fMixer->fPlatform->SetValues(fMixer->Handle(), control.dwControlID,
                                              {ScaleRounded(control.dwMaximum, percent, 100)});
}

bool TAudioMixerLine::Mute() {
    fLastError = MIXERR_INVALCONTROL;
    if (!fAvailableControls.Contains(mcMute)) return true;
    std::vector<uint32_t> values;
    fLastError = fMixer->fPlatform->GetValues(fMixer->Handle(), fControls[mcMute].dwControlID, 0, values);
    if (fLastError != MMSYSERR_NOERROR || values.empty()) return true;
    return values[0] != 0;
}

void TAudioMixerLine::SetMute(bool Value) {
    fLastError = MIXERR_INVALCONTROL;
    if (!fAvailableControls.Contains(mcMute)) return;
    fLastError =
        fMixer->fPlatform->SetValues(fMixer->Handle(), fControls[mcMute].dwControlID, {Value ? 1u : 0u});
}

bool TAudioMixerLine::ListControl(TMixerControlType& kind) {
    if (fAvailableControls.Contains(mcMix))
        kind = mcMix;
    else if (fAvailableControls.Contains(mcSelect))
        kind = mcSelect;
    else {
        fLastError = MIXERR_INVALCONTROL;
        return false;
    }
    return true;
}

bool TAudioMixerLine::ReadItemTexts(const TMixerControl& control, std::vector<std::string>& texts) {
    fLastError =
        fMixer->fPlatform->GetItemTexts(fMixer->Handle(), control.dwControlID, control.cMultipleItems, texts);
    return fLastError == MMSYSERR_NOERROR;
}

int32_t TAudioMixerLine::SelectedLine() {
    TMixerControlType kind;
    if (!ListControl(kind)) return -1;
    const TMixerControl& control = fControls[kind];
    std::vector<uint32_t> selected;
    fLastError =
        fMixer->fPlatform->GetValues(fMixer->Handle(), control.dwControlID, control.cMultipleItems, selected);
    if (fLastError != MMSYSERR_NOERROR) return -1;
    const auto first = std::find_if(selected.begin(), selected.end(), [](uint32_t v) { return v != 0; });
    if (first == selected.end()) {
        fLastError = ERROR_BAD_FORMAT;
        return -1;
    }
    std::vector<std::string> texts;
    if (!ReadItemTexts(control, texts)) return -1;
    const auto item = static_cast<size_t>(first - selected.begin());
    for (uint16_t i = 0; item < texts.size() && i < fMixer->LineCount(); ++i) {
        TAudioMixerLine* line = fMixer->GetLines(i);
        if (line && line->Name() == texts[item]) return line->ID();
    }
    fLastError = ERROR_BAD_FORMAT;
    return -1;
}

void TAudioMixerLine::SetSelectedLine(int32_t Value) {
    TMixerControlType kind;
    if (!ListControl(kind)) return;
    const TMixerControl& control = fControls[kind];
    std::vector<std::string> texts;
    if (!ReadItemTexts(control, texts)) return;
    const TAudioMixerLine* wanted =
        Value >= 0 && Value <= UINT16_MAX ? fMixer->GetLines(static_cast<uint16_t>(Value)) : nullptr;
    const auto item = wanted ? std::find(texts.begin(), texts.end(), wanted->Name()) : texts.end();
    if (item == texts.end()) {
        fLastError = ERROR_BAD_FORMAT;
        return;
    }
    std::vector<uint32_t> values(texts.size(), 0);
    values[static_cast<size_t>(item - texts.begin())] = 1;
    fLastError = fMixer->fPlatform->SetValues(fMixer->Handle(), control.dwControlID, values);
}

// ---------------------------------------------------------------------------------------------
// Mixer

int32_t TMixerPlatform::FindDevice(const std::string& identifier) {
    const uint32_t count = DeviceCount();
    for (uint32_t i = 0; i < count; ++i) {
        TMixerCaps caps;
        if (GetCaps(i, caps) == MMSYSERR_NOERROR && caps.Identifier == identifier)
            return static_cast<int32_t>(i);
    }
    return -1;
}

TSysAudioMixer::TSysAudioMixer(TComponent* AOwner, std::unique_ptr<TMixerPlatform> platform)
    : TComponent(AOwner), fPlatform(platform ? std::move(platform) : CreateServerMixerPlatform()),
      fEvents(&TEventHandler::Acquire()) {
    fPlatform->SetChangeReport([this](TMixerPlatform::THandle handle, bool isControl, uint32_t id) {
        fEvents->PostGenericEvent(
            this, 0, [this, handle, isControl, id](TComponent*) { MixerChanged(handle, isControl, id); });
    });
    fPlatform->SetListReport([this] {
        fEvents->PostGenericEvent(this, 0, [this](TComponent*) {
            if (fOnMixersChange) fOnMixersChange(this);
        });
    });
    fMaster = std::make_unique<TAudioMixerLine>(this, -1);
    ReloadMixer(true);
}

TSysAudioMixer::~TSysAudioMixer() {
    MarkDestroying();
    NotifyDestruction();
    fPlatform->SetChangeReport(nullptr);
    fPlatform->SetListReport(nullptr);
    fLines.clear();
    fMaster.reset();
    CloseMixer();
    fPlatform.reset();
    fEvents->Forget(this);
    TEventHandler::Release();
}

void TSysAudioMixer::CloseMixer() {
    if (fHandle != 0) fPlatform->Close(fHandle);
    fHandle = 0;
}

void TSysAudioMixer::ReloadMixer(bool Full) {
    while (!fLines.empty()) fLines.pop_back();
    if (Full) {
        CloseMixer();
        fMixerCaps = {};
        fPlatform->GetCaps(fMixerID, fMixerCaps);
        fLastError = fPlatform->Open(fMixerID, fHandle);
        if (fLastError != MMSYSERR_NOERROR) fHandle = 0;
    }
    if (fDestinationID >= DestinationCount()) fDestinationID = 0;
    fMaster->LoadLine(-1);
    for (uint32_t i = 0; i < LineCount(); ++i) fLines.push_back(std::make_unique<TAudioMixerLine>(this, i));
}

uint16_t TSysAudioMixer::MixerCount() const { return static_cast<uint16_t>(fPlatform->DeviceCount()); }

uint16_t TSysAudioMixer::LineCount() const { return static_cast<uint16_t>(fMaster->fLineInfo.cConnections); }

TAudioMixerLine* TSysAudioMixer::GetLines(uint16_t LineID) const {
    return LineID < fLines.size() ? fLines[LineID].get() : nullptr;
}

std::string TSysAudioMixer::DestinationName() const { return fMaster->Name(); }

void TSysAudioMixer::SetMixerID(uint32_t Value) {
    if (Value == fMixerID || Value >= MixerCount()) return;
    fMixerID = Value;
    ReloadMixer(true);
}

void TSysAudioMixer::SetDestinationID(uint32_t Value) {
    fDestinationID = Value;
    ReloadMixer(false);
}

namespace {
// The position of name in names, or -1.
int PositionOf(const std::vector<std::string>& names, const std::string& name) {
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}
} // namespace

void TSysAudioMixer::SetMixerName(const std::string& Value) {
    if (Value == MixerName()) return;
    std::vector<std::string> names;
    FetchMixerNames(names);
    const int position = PositionOf(names, Value);
    if (position >= 0) SetMixerID(static_cast<uint32_t>(position));
}

void TSysAudioMixer::SetDestinationName(const std::string& Value) {
    if (Value == DestinationName()) return;
    std::vector<std::string> names;
    FetchDestinationNames(names);
    const int position = PositionOf(names, Value);
    if (position >= 0) SetDestinationID(static_cast<uint32_t>(position));
}

int TSysAudioMixer::FetchMixerNames(std::vector<std::string>& Names) const {
    const uint32_t count = fPlatform->DeviceCount();
    for (uint32_t i = 0; i < count; ++i) {
        TMixerCaps caps;
        fPlatform->GetCaps(i, caps);
        Names.push_back(caps.szPname);
    }
    return static_cast<int>(count);
}

int TSysAudioMixer::FetchDestinationNames(std::vector<std::string>& Names) {
    for (uint32_t d = 0; d < DestinationCount(); ++d) {
        TMixerLineInfo line;
        fLastError = fPlatform->LineByDestination(fHandle, d, line);
        Names.push_back(line.szName);
    }
    return DestinationCount();
}

bool TSysAudioMixer::FindMixerLine(uint32_t ComponentType, uint32_t& ADestinationID, uint32_t& ALineID) {
    TMixerLineInfo line;
    fLastError = fPlatform->LineByComponentType(fHandle, ComponentType, line);
    if (fLastError != MMSYSERR_NOERROR) return false;
    ADestinationID = line.dwDestination;
    ALineID = line.dwSource;
    return static_cast<int32_t>(line.dwSource) >= 0;
}

void TSysAudioMixer::MixerChanged(TMixerPlatform::THandle handle, bool isControl, uint32_t id) {
    if (handle == 0 || handle != fHandle) return;
    if (isControl)
        ControlChanged(id);
    else
        LineChanged(id);
}

void TSysAudioMixer::LineChanged(uint32_t lineID) {
    TAudioMixerLine* line = fMaster->LineID() == lineID ? fMaster.get() : nullptr;
    for (size_t i = 0; !line && i < fLines.size(); ++i)
        if (fLines[i]->LineID() == lineID) line = fLines[i].get();
    if (line && fOnLineChange) fOnLineChange(this, line);
}

void TSysAudioMixer::ControlChanged(uint32_t controlID) {
    TMixerControlType kind = mcVolume;
    TAudioMixerLine* line = fMaster->FindControl(controlID, kind) ? fMaster.get() : nullptr;
    for (size_t i = 0; !line && i < fLines.size(); ++i)
        if (fLines[i]->FindControl(controlID, kind)) line = fLines[i].get();
    if (line && fOnControlChange) fOnControlChange(this, line, kind);
}
