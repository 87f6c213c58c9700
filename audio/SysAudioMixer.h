#pragma once
// The system mixer: one mixer device, one of its destinations as the master line, and that
// destination's source lines with their volume, mute and select controls. Main thread only.
//
// The device operations come from a TMixerPlatform; the sound-server one is the default, tests
// give a scripted one. Results are reported through LastError and sentinel values, never thrown.

#include "AuComponent.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TEventHandler;

// Result codes of mixer calls.
constexpr uint32_t MMSYSERR_NOERROR = 0;
constexpr uint32_t MMSYSERR_ERROR = 1;
constexpr uint32_t MMSYSERR_BADDEVICEID = 2;
constexpr uint32_t MMSYSERR_INVALHANDLE = 5;
constexpr uint32_t MMSYSERR_NODRIVER = 6;
constexpr uint32_t MMSYSERR_INVALPARAM = 11;
constexpr uint32_t MIXERR_INVALLINE = 1024;
constexpr uint32_t MIXERR_INVALCONTROL = 1025; // the line has no control of the kind asked
constexpr uint32_t ERROR_BAD_FORMAT = 11;      // a list item looked up by name is not there

// System values of the control types, line flags, target and component types.
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUX = 0x70010001;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MIXER = 0x71010001;
constexpr uint32_t MIXERLINE_LINEF_ACTIVE = 0x1;
constexpr uint32_t MIXERLINE_LINEF_DISCONNECTED = 0x8000;
constexpr uint32_t MIXERLINE_LINEF_SOURCE = 0x80000000;

enum TMixerControlType { mcVolume, mcMute, mcSelect, mcMix };
constexpr int MixerControlTypeCount = 4;
constexpr uint32_t MixerControlTypeValue[MixerControlTypeCount] = {
    MIXERCONTROL_CONTROLTYPE_VOLUME, MIXERCONTROL_CONTROLTYPE_MUTE, MIXERCONTROL_CONTROLTYPE_MUX,
    MIXERCONTROL_CONTROLTYPE_MIXER};

// A set of control kinds, one bit each (mcVolume 1, mcMute 2, mcSelect 4, mcMix 8).
class TMixerControlTypes {
public:
    TMixerControlTypes() = default;
    void Include(TMixerControlType t) { FBits.set(t); }
    bool Contains(TMixerControlType t) const { return FBits.test(t); }
    bool Empty() const { return FBits.none(); }
    unsigned long Mask() const { return FBits.to_ulong(); }

private:
    std::bitset<MixerControlTypeCount> FBits;
};

enum TMixerLineTargetType { tgUndefined, tgWaveOut, tgWaveIn, tgMidiOut, tgMidiIn, tgAux };

enum TMixerLineComponentType : uint32_t {
    cmDstUndefined = 0,
    cmDstDigital = 1,
    cmDstLine = 2,
    cmDstMonitor = 3,
    cmDstSpeakers = 4,
    cmDstHeadphones = 5,
    cmDstTelephone = 6,
    cmDstWaveIn = 7,
    cmDstVoiceIn = 8,
    cmSrcUndefined = 0x1000,
    cmSrcDigital = 0x1001,
    cmSrcLine = 0x1002,
    cmSrcMicrophone = 0x1003,
    cmSrcSynthesizer = 0x1004,
    cmCompactDisc = 0x1005,
    cmSrcTelephone = 0x1006,
    cmSrcPCSpeaker = 0x1007,
    cmSrcWaveOut = 0x1008,
    cmSrcAuxiliary = 0x1009,
    cmSrcAnalog = 0x100A,
};

enum TMixerLineFlag { lfActive, lfDisconnected, lfSource };
class TMixerLineFlags {
public:
    void Include(TMixerLineFlag f) { FBits.set(f); }
    bool Contains(TMixerLineFlag f) const { return FBits.test(f); }

private:
    std::bitset<3> FBits;
};

// The device's records, as the platform fills them.
struct TMixerCaps {
    uint16_t wMid = 0, wPid = 0;
    uint32_t vDriverVersion = 0;
    std::string szPname; // at most 31 characters
    uint32_t fdwSupport = 0;
    uint32_t cDestinations = 0;
    std::string Identifier; // the platform's own name of the device (the server's source name), or empty
};

struct TMixerLineInfo {
    uint32_t dwDestination = 0;
    uint32_t dwSource = 0;
    uint32_t dwLineID = 0;
    uint32_t fdwLine = 0;
    uint32_t dwUser = 0;
    uint32_t dwComponentType = 0;
    uint32_t cChannels = 0;
    uint32_t cConnections = 0;
    uint32_t cControls = 0;
    std::string szShortName; // at most 15 characters
    std::string szName;      // at most 63 characters
    uint32_t dwType = 0;     // target type
    uint32_t dwDeviceID = 0;
};

struct TMixerControl {
    uint32_t dwControlID = 0;
    uint32_t dwControlType = 0;
    uint32_t fdwControl = 0;
    uint32_t cMultipleItems = 0;
    std::string szShortName, szName;
    int32_t lMinimum = 0;
    uint32_t dwMaximum = 0;
};

// The operations the mixer needs of a platform. Every call returns a result code (0 on success).
// Handles are nonzero. Change reports may come from any thread.
class TMixerPlatform {
public:
    using THandle = uintptr_t;
    // (handle, is a control change, line id or control id)
    using TChangeReport = std::function<void(THandle, bool, uint32_t)>;

    virtual ~TMixerPlatform() = default;
    virtual uint32_t DeviceCount() = 0;
    virtual uint32_t GetCaps(uint32_t mixer, TMixerCaps& caps) = 0;
    virtual uint32_t Open(uint32_t mixer, THandle& handle) = 0;
    virtual void Close(THandle handle) = 0;
    virtual uint32_t LineByDestination(THandle handle, uint32_t destination, TMixerLineInfo& line) = 0;
    virtual uint32_t LineBySource(THandle handle, uint32_t destination, uint32_t source,
                                  TMixerLineInfo& line) = 0;
    virtual uint32_t LineByComponentType(THandle handle, uint32_t componentType, TMixerLineInfo& line) = 0;
    virtual uint32_t LineControl(THandle handle, uint32_t lineID, uint32_t controlType,
                                 TMixerControl& control) = 0;
    // items 0: one plain value; otherwise one value per list item.
    virtual uint32_t GetValues(THandle handle, uint32_t controlID, uint32_t items,
                               std::vector<uint32_t>& values) = 0;
    virtual uint32_t GetItemTexts(THandle handle, uint32_t controlID, uint32_t items,
                                  std::vector<std::string>& texts) = 0;
    virtual uint32_t SetValues(THandle handle, uint32_t controlID, const std::vector<uint32_t>& values) = 0;
    // Line and control changes of open mixers are reported here from then on.
    virtual void SetChangeReport(TChangeReport report) = 0;
    // Reported when mixers come or go, or the platform itself goes away or comes back.
    virtual void SetListReport(std::function<void()> /*report*/) {}
    // The position of the mixer with that identifier in today's list, or -1.
    virtual int32_t FindDevice(const std::string& identifier);
};

// The sound server's mixers: one per input, in server order.
std::unique_ptr<TMixerPlatform> CreateServerMixerPlatform();

class TSysAudioMixer;

class TAudioMixerLine {
    friend class TSysAudioMixer;

public:
    TAudioMixerLine(TSysAudioMixer* AMixer, int32_t AID);

    TSysAudioMixer* Mixer() const { return fMixer; }
    int32_t ID() const { return fID; }
    const std::string& Name() const { return fLineInfo.szName; }
    uint32_t LastError() const { return fLastError; }
    TMixerLineTargetType TargetType() const;
    TMixerLineComponentType ComponentType() const;
    TMixerLineFlags Flags() const;
    TMixerControlTypes AvailableControls() const { return fAvailableControls; }
    uint32_t LineID() const { return fLineInfo.dwLineID; }
    // The kind of the line's control with that id; false when it has none.
    bool FindControl(uint32_t controlID, TMixerControlType& kind) const;

    int32_t Volume();
    void SetVolume(int32_t Value);
    bool Mute();
    void SetMute(bool Value);
    int32_t SelectedLine();
    void SetSelectedLine(int32_t Value);

private:
    void LoadLine(int32_t AID);
    bool ListControl(TMixerControlType& kind);
    bool ReadItemTexts(const TMixerControl& control, std::vector<std::string>& texts);

    int32_t fID = -1;
    TSysAudioMixer* fMixer;
    TMixerLineInfo fLineInfo;
    uint32_t fLastError = 0;
    TMixerControlTypes fAvailableControls;
    TMixerControl fControls[MixerControlTypeCount];
};

using TMixerLineNotifyEvent = std::function<void(TComponent* Sender, TAudioMixerLine* MixerLine)>;
using TMixerControlNotifyEvent =
    std::function<void(TComponent* Sender, TAudioMixerLine* MixerLine, TMixerControlType ControlType)>;

class TSysAudioMixer : public TComponent {
    friend class TAudioMixerLine;

public:
    // Without a platform, the sound server's.
    explicit TSysAudioMixer(TComponent* AOwner = nullptr, std::unique_ptr<TMixerPlatform> platform = nullptr);
    ~TSysAudioMixer() override;

    uint32_t MixerID() const { return fMixerID; }
    void SetMixerID(uint32_t Value);
    std::string MixerName() const { return fMixerCaps.szPname; }
    void SetMixerName(const std::string& Value);
    uint32_t DestinationID() const { return fDestinationID; }
    void SetDestinationID(uint32_t Value);
    std::string DestinationName() const;
    void SetDestinationName(const std::string& Value);
    TMixerLineNotifyEvent OnLineChange() const { return fOnLineChange; }
    void SetOnLineChange(TMixerLineNotifyEvent handler) { fOnLineChange = std::move(handler); }
    TMixerControlNotifyEvent OnControlChange() const { return fOnControlChange; }
    void SetOnControlChange(TMixerControlNotifyEvent handler) { fOnControlChange = std::move(handler); }
    // Main thread: mixers came or went (an input was plugged in or out), or the server did.
    std::function<void(TComponent* Sender)> OnMixersChange() const { return fOnMixersChange; }
    void SetOnMixersChange(std::function<void(TComponent* Sender)> handler) {
        fOnMixersChange = std::move(handler);
    }
    // The platform's own name of the open mixer's device (the server's source name).
    const std::string& MixerIdentifier() const { return fMixerCaps.Identifier; }
    // The position of the mixer with that identifier in today's list, or -1.
    int32_t FindMixer(const std::string& identifier) const { return fPlatform->FindDevice(identifier); }

    TMixerPlatform::THandle Handle() const { return fHandle; }
    uint32_t LastError() const { return fLastError; }
    uint16_t MixerCount() const;
    const TMixerCaps& MixerCaps() const { return fMixerCaps; }
    uint16_t DestinationCount() const { return static_cast<uint16_t>(fMixerCaps.cDestinations); }
    TAudioMixerLine* Master() const { return fMaster.get(); }
    uint16_t LineCount() const;
    TAudioMixerLine* GetLines(uint16_t LineID) const;
    TAudioMixerLine* Lines(uint16_t LineID) const { return GetLines(LineID); }

    int FetchMixerNames(std::vector<std::string>& Names) const;
    int FetchDestinationNames(std::vector<std::string>& Names);
    bool FindMixerLine(uint32_t ComponentType, uint32_t& ADestinationID, uint32_t& ALineID);

private:
    void ReloadMixer(bool Full);
    void CloseMixer();
    // Main thread: a change the platform reported.
    void MixerChanged(TMixerPlatform::THandle handle, bool isControl, uint32_t id);
    void LineChanged(uint32_t lineID);
    void ControlChanged(uint32_t controlID);

    std::unique_ptr<TMixerPlatform> fPlatform;
    TMixerPlatform::THandle fHandle = 0;
    uint32_t fMixerID = 0;
    TMixerCaps fMixerCaps;
    uint32_t fDestinationID = 0;
    std::vector<std::unique_ptr<TAudioMixerLine>> fLines;
    std::unique_ptr<TAudioMixerLine> fMaster;
    uint32_t fLastError = 0;
    TMixerLineNotifyEvent fOnLineChange;
    TMixerControlNotifyEvent fOnControlChange;
    std::function<void(TComponent*)> fOnMixersChange;
    // Change reports reach the main thread through the event thread (the stand-in for the
    // hidden callback window).
    TEventHandler* fEvents;
};
