// The mixer platform over the sound server: one mixer per source, in server order, with one
// destination (recording). Its master line is the source itself (volume, mute, and a select
// control over the source's ports); its source lines are the ports, or one line named after the
// source when it has none.

#include "AuText.h"
#include "PulseConnection.h"
#include "SysAudioMixer.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace {

constexpr uint32_t MasterLineID = 0xFFFF0000;
constexpr uint32_t VolumeControlID = 1, MuteControlID = 2, SelectControlID = 3;
constexpr size_t MixerNameLength = 31, LineNameLength = 63, ShortNameLength = 15;

struct TPort {
    std::string name, description;
    bool unplugged = false;
};

struct TSourceState {
    uint32_t index = PA_INVALID_INDEX;
    std::string name, description;
    bool monitor = false;
    pa_cvolume volume{};
    bool mute = false;
    std::vector<TPort> ports;
    std::string activePort;

    uint32_t Connections() const { return ports.empty() ? 1 : static_cast<uint32_t>(ports.size()); }
    int ActivePortPosition() const {
        for (size_t i = 0; i < ports.size(); ++i)
            if (ports[i].name == activePort) return static_cast<int>(i);
        return -1;
    }
};

TSourceState StateOf(const pa_source_info& info) {
    TSourceState state;
    state.index = info.index;
    state.name = info.name ? info.name : "";
    state.description = info.description ? info.description : state.name;
    state.monitor = info.monitor_of_sink != PA_INVALID_INDEX;
    state.volume = info.volume;
    state.mute = info.mute != 0;
    for (uint32_t i = 0; i < info.n_ports; ++i) {
        const pa_source_port_info& port = *info.ports[i];
        state.ports.push_back({port.name ? port.name : "", port.description ? port.description : "",
                               port.available == PA_PORT_AVAILABLE_NO});
    }
    if (info.active_port && info.active_port->name) state.activePort = info.active_port->name;
    return state;
}

TMixerLineComponentType ComponentFromPortName(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (lower.find("mic") != std::string::npos) return cmSrcMicrophone;
    if (lower.find("line") != std::string::npos) return cmSrcLine;
    return cmSrcAnalog;
}

void SetNames(TMixerLineInfo& line, const std::string& name) {
    line.szName = FirstCharacters(name, LineNameLength);
    line.szShortName = FirstCharacters(name, ShortNameLength);
}

TMixerLineInfo MasterLineOf(const TSourceState& source) {
    TMixerLineInfo line;
    line.dwLineID = MasterLineID;
    line.fdwLine = MIXERLINE_LINEF_ACTIVE;
    line.dwComponentType = cmDstWaveIn;
    line.cChannels = source.volume.channels;
    line.cConnections = source.Connections();
    line.cControls = source.ports.empty() ? 2 : 3;
    line.dwType = tgWaveIn;
    SetNames(line, source.description);
    return line;
}

TMixerLineInfo SourceLineOf(const TSourceState& source, uint32_t position) {
    TMixerLineInfo line;
    line.dwSource = position;
    line.dwLineID = position;
    line.fdwLine = MIXERLINE_LINEF_SOURCE | MIXERLINE_LINEF_ACTIVE;
    line.cChannels = source.volume.channels;
    // What the computer plays is not an input of its own: such lines come after the real ones.
    line.dwType = source.monitor ? tgUndefined : tgWaveIn;
    if (source.ports.empty()) {
        line.dwComponentType = source.monitor ? cmSrcWaveOut : cmSrcUndefined;
        SetNames(line, source.description);
    } else {
        const TPort& port = source.ports[position];
        line.dwComponentType = ComponentFromPortName(port.name);
        if (port.unplugged) line.fdwLine = MIXERLINE_LINEF_SOURCE | MIXERLINE_LINEF_DISCONNECTED;
        SetNames(line, port.description);
    }
    return line;
}

class TServerMixerPlatform : public TMixerPlatform {
public:
    TServerMixerPlatform() : FConnection(TPulseConnection::Acquire()) {
        if (!FConnection) return;
        TPulseConnection::TLock lock(*FConnection);
        FListener =
            FConnection->Listen([this](TServerEvent event, uint32_t index) { OnServerEvent(event, index); });
    }
    ~TServerMixerPlatform() override {
        if (!FConnection) return;
        TPulseConnection::TLock lock(*FConnection);
        FConnection->Unlisten(FListener);
        // A query still under way would answer into a platform that is gone.
        for (pa_operation* query : FQueries) {
            pa_operation_cancel(query);
            pa_operation_unref(query);
        }
    }

    uint32_t DeviceCount() override {
        std::vector<TSourceState> sources;
        return QuerySources(sources) ? static_cast<uint32_t>(sources.size()) : 0;
    }

    uint32_t GetCaps(uint32_t mixer, TMixerCaps& caps) override {
        std::vector<TSourceState> sources;
        if (!QuerySources(sources)) return MMSYSERR_NODRIVER;
        if (mixer >= sources.size()) return MMSYSERR_BADDEVICEID;
        caps.szPname = FirstCharacters(sources[mixer].description, MixerNameLength);
        caps.cDestinations = 1;
        caps.Identifier = sources[mixer].name;
        return MMSYSERR_NOERROR;
    }

    int32_t FindDevice(const std::string& identifier) override {
        std::vector<TSourceState> sources;
        if (!QuerySources(sources)) return -1;
        const auto found = std::find_if(sources.begin(), sources.end(), [&](const TSourceState& source) {
            return source.name == identifier;
        });
        return found == sources.end() ? -1 : static_cast<int32_t>(found - sources.begin());
    }

    uint32_t Open(uint32_t mixer, THandle& handle) override {
        std::vector<TSourceState> sources;
        if (!QuerySources(sources)) return MMSYSERR_NODRIVER;
        if (mixer >= sources.size()) return MMSYSERR_BADDEVICEID;
        std::lock_guard lock(FOpenLock);
        handle = ++FLastHandle;
        FOpen[handle] = sources[mixer];
        return MMSYSERR_NOERROR;
    }

    void Close(THandle handle) override {
        std::lock_guard lock(FOpenLock);
        FOpen.erase(handle);
    }

    uint32_t LineByDestination(THandle handle, uint32_t destination, TMixerLineInfo& line) override {
        TSourceState source;
        if (const uint32_t error = Current(handle, source)) return error;
        if (destination != 0) return MIXERR_INVALLINE;
        line = MasterLineOf(source);
        return MMSYSERR_NOERROR;
    }

    uint32_t LineBySource(THandle handle, uint32_t destination, uint32_t position,
                          TMixerLineInfo& line) override {
        TSourceState source;
        if (const uint32_t error = Current(handle, source)) return error;
        if (destination != 0 || position >= source.Connections()) return MIXERR_INVALLINE;
        line = SourceLineOf(source, position);
        return MMSYSERR_NOERROR;
    }

    uint32_t LineByComponentType(THandle handle, uint32_t componentType, TMixerLineInfo& line) override {
        TSourceState source;
        if (const uint32_t error = Current(handle, source)) return error;
        if (componentType == cmDstWaveIn) {
            line = MasterLineOf(source);
            return MMSYSERR_NOERROR;
        }
        for (uint32_t i = 0; i < source.Connections(); ++i)
            if (SourceLineOf(source, i).dwComponentType == componentType) {
                line = SourceLineOf(source, i);
                return MMSYSERR_NOERROR;
            }
        return MIXERR_INVALLINE;
    }

    uint32_t LineControl(THandle handle, uint32_t lineID, uint32_t controlType,
                         TMixerControl& control) override {
        TSourceState source;
        if (const uint32_t error = Current(handle, source)) return error;
        if (lineID != MasterLineID) return MIXERR_INVALCONTROL;
        control.dwControlType = controlType;
        switch (controlType) {
        case MIXERCONTROL_CONTROLTYPE_VOLUME:
            control.dwControlID = VolumeControlID;
            control.dwMaximum = PA_VOLUME_NORM; // 100 is the server's normal volume
            control.szName = control.szShortName = "Volume";
            return MMSYSERR_NOERROR;
        case MIXERCONTROL_CONTROLTYPE_MUTE:
            control.dwControlID = MuteControlID;
            control.dwMaximum = 1;
            control.szName = control.szShortName = "Mute";
            return MMSYSERR_NOERROR;
        case MIXERCONTROL_CONTROLTYPE_MUX:
            if (source.ports.empty()) return MIXERR_INVALCONTROL;
            control.dwControlID = SelectControlID;
            control.cMultipleItems = static_cast<uint32_t>(source.ports.size());
            control.dwMaximum = control.cMultipleItems - 1;
            control.szName = control.szShortName = "Input";
            return MMSYSERR_NOERROR;
        default:
            return MIXERR_INVALCONTROL;
        }
    }

    uint32_t GetValues(THandle handle, uint32_t controlID, uint32_t items,
                       std::vector<uint32_t>& values) override {
        TSourceState source;
        if (const uint32_t error = Current(handle, source)) return error;
        switch (controlID) {
        case VolumeControlID:
            values = {pa_cvolume_max(&source.volume)};
            return MMSYSERR_NOERROR;
        case MuteControlID:
            values = {source.mute ? 1u : 0u};
            return MMSYSERR_NOERROR;
        case SelectControlID:
            if (source.ports.empty() || items != source.ports.size()) return MMSYSERR_INVALPARAM;
            values.assign(source.ports.size(), 0);
            if (source.ActivePortPosition() >= 0)
                values[static_cast<size_t>(source.ActivePortPosition())] = 1;
            return MMSYSERR_NOERROR;
        default:
            return MIXERR_INVALCONTROL;
        }
    }

    uint32_t GetItemTexts(THandle handle, uint32_t controlID, uint32_t items,
                          std::vector<std::string>& texts) override {
        TSourceState source;
        if (const uint32_t error = Current(handle, source)) return error;
        if (controlID != SelectControlID || source.ports.empty()) return MIXERR_INVALCONTROL;
        if (items != source.ports.size()) return MMSYSERR_INVALPARAM;
        texts.clear();
        for (const TPort& port : source.ports)
            texts.push_back(FirstCharacters(port.description, LineNameLength));
        return MMSYSERR_NOERROR;
    }

    uint32_t SetValues(THandle handle, uint32_t controlID, const std::vector<uint32_t>& values) override {
        TSourceState source;
        if (const uint32_t error = Current(handle, source)) return error;
        if (values.empty()) return MMSYSERR_INVALPARAM;
        TPulseConnection::TLock lock(*FConnection);
        pa_context* context = FConnection->ReadyContext();
        if (!context) return MMSYSERR_NODRIVER;
        switch (controlID) {
        case VolumeControlID: {
            pa_cvolume volume = source.volume;
            const pa_volume_t wanted = std::min<pa_volume_t>(values[0], PA_VOLUME_MAX);
            // Scaling keeps the balance between channels; a silent source gets all channels equal.
            if (pa_cvolume_max(&volume) == PA_VOLUME_MUTED)
                pa_cvolume_set(&volume, volume.channels, wanted);
            else
                pa_cvolume_scale(&volume, wanted);
            return Succeeded(pa_context_set_source_volume_by_name(
                context, source.name.c_str(), &volume, &TServerMixerPlatform::OnSuccess, &FSucceeded));
        }
        case MuteControlID:
            return Succeeded(pa_context_set_source_mute_by_name(
                context, source.name.c_str(), values[0] != 0, &TServerMixerPlatform::OnSuccess, &FSucceeded));
        case SelectControlID: {
            const auto selected =
                std::find_if(values.begin(), values.end(), [](uint32_t v) { return v != 0; });
            const auto position = static_cast<size_t>(selected - values.begin());
            if (selected == values.end() || position >= source.ports.size()) return MMSYSERR_INVALPARAM;
            return Succeeded(pa_context_set_source_port_by_name(
                context, source.name.c_str(), source.ports[position].name.c_str(),
                &TServerMixerPlatform::OnSuccess, &FSucceeded));
        }
        default:
            return MIXERR_INVALCONTROL;
        }
    }

    void SetChangeReport(TChangeReport report) override {
        std::lock_guard lock(FOpenLock);
        FReport = std::move(report);
    }

    void SetListReport(std::function<void()> report) override {
        std::lock_guard lock(FOpenLock);
        FListReport = std::move(report);
    }

private:
    bool QuerySources(std::vector<TSourceState>& sources) {
        if (!FConnection) return false;
        TPulseConnection::TLock lock(*FConnection);
        pa_context* context = FConnection->ReadyContext();
        if (!context) return false;
        const auto add = [](pa_context*, const pa_source_info* info, int eol, void* list) {
            if (eol == 0 && info) static_cast<std::vector<TSourceState>*>(list)->push_back(StateOf(*info));
        };
        return FConnection->Complete(pa_context_get_source_info_list(context, add, &sources));
    }

    // The open mixer's source as the server has it now.
    uint32_t Current(THandle handle, TSourceState& source) {
        std::string name;
        {
            std::lock_guard lock(FOpenLock);
            const auto open = FOpen.find(handle);
            if (open == FOpen.end()) return MMSYSERR_INVALHANDLE;
            name = open->second.name;
        }
        if (!FConnection) return MMSYSERR_NODRIVER;
        TPulseConnection::TLock lock(*FConnection);
        pa_context* context = FConnection->ReadyContext();
        if (!context) return MMSYSERR_NODRIVER;
        bool found = false;
        struct TQuery {
            TSourceState* source;
            bool* found;
        } query{&source, &found};
        const auto take = [](pa_context*, const pa_source_info* info, int eol, void* data) {
            auto& q = *static_cast<TQuery*>(data);
            if (eol == 0 && info) {
                *q.source = StateOf(*info);
                *q.found = true;
            }
        };
        FConnection->Complete(pa_context_get_source_info_by_name(context, name.c_str(), take, &query));
        if (!found) return MMSYSERR_NODRIVER;
        Remember(handle, source);
        return MMSYSERR_NOERROR;
    }

    void Remember(THandle handle, const TSourceState& source) {
        std::lock_guard lock(FOpenLock);
        const auto open = FOpen.find(handle);
        if (open != FOpen.end()) open->second = source;
    }

    // With the main loop's lock held.
    uint32_t Succeeded(pa_operation* operation) {
        FSucceeded = false;
        return FConnection->Complete(operation) && FSucceeded ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
    }

    static void OnSuccess(pa_context*, int success, void* flag) { *static_cast<bool*>(flag) = success != 0; }

    // On the server connection's thread, with its lock held: find out what changed on a source,
    // and report it; report the list when sources come or go, or the server does.
    void OnServerEvent(TServerEvent event, uint32_t index) {
        switch (event) {
        case seSourceChanged: {
            pa_context* context = FConnection->ReadyContext(0);
            pa_operation* operation =
                context ? pa_context_get_source_info_by_index(context, index, &OnChangedSource, this)
                        : nullptr;
            if (operation) KeepQuery(operation);
            return;
        }
        case seSourceRemoved:
            ReportRemoved(index);
            break;
        default:
            break;
        }
        ReportList();
    }

    // With the loop's lock held: the query is kept until it is answered, so that the platform's
    // end can cancel it.
    void KeepQuery(pa_operation* query) {
        const auto answered = std::remove_if(FQueries.begin(), FQueries.end(), [](pa_operation* kept) {
            if (pa_operation_get_state(kept) == PA_OPERATION_RUNNING) return false;
            pa_operation_unref(kept);
            return true;
        });
        FQueries.erase(answered, FQueries.end());
        FQueries.push_back(query);
    }

    void ReportList() {
        std::function<void()> report;
        {
            std::lock_guard lock(FOpenLock);
            report = FListReport;
        }
        if (report) report(); // it only posts to the engine's event queue
    }

    static void OnChangedSource(pa_context*, const pa_source_info* info, int eol, void* self) {
        if (eol == 0 && info) static_cast<TServerMixerPlatform*>(self)->ReportDifferences(StateOf(*info));
    }

    struct TReport {
        THandle handle;
        bool isControl;
        uint32_t id;
    };

    void ReportDifferences(const TSourceState& now) {
        std::vector<TReport> reports;
        TChangeReport report;
        {
            std::lock_guard lock(FOpenLock);
            report = FReport;
            for (auto& [handle, was] : FOpen) {
                if (was.name != now.name) continue;
                if (!pa_cvolume_equal(&was.volume, &now.volume))
                    reports.push_back({handle, true, VolumeControlID});
                if (was.mute != now.mute) reports.push_back({handle, true, MuteControlID});
                if (was.activePort != now.activePort && !now.ports.empty())
                    reports.push_back({handle, true, SelectControlID});
                if (!SamePorts(was, now)) reports.push_back({handle, false, MasterLineID});
                was = now;
            }
        }
        Deliver(report, reports);
    }

    void ReportRemoved(uint32_t index) {
        std::vector<TReport> reports;
        TChangeReport report;
        {
            std::lock_guard lock(FOpenLock);
            report = FReport;
            for (const auto& [handle, was] : FOpen)
                if (was.index == index) reports.push_back({handle, false, MasterLineID});
        }
        Deliver(report, reports);
    }

    // Outside FOpenLock; the report only posts to the engine's event queue.
    static void Deliver(const TChangeReport& report, const std::vector<TReport>& reports) {
        if (!report) return;
        for (const TReport& r : reports) report(r.handle, r.isControl, r.id);
    }

    static bool SamePorts(const TSourceState& a, const TSourceState& b) {
        return a.ports.size() == b.ports.size() && std::equal(a.ports.begin(), a.ports.end(), b.ports.begin(),
                                                              [](const TPort& x, const TPort& y) {
                                                                  return x.name == y.name &&
                                                                         x.description == y.description &&
                                                                         x.unplugged == y.unplugged;
                                                              });
    }

    const std::shared_ptr<TPulseConnection> FConnection;
    uint64_t FListener = 0;
    // Change queries under way: the loop's thread adds, the end cancels, both under the loop's lock.
    std::vector<pa_operation*> FQueries;
    bool FSucceeded = false;               // the loop's thread writes, main reads, under the loop's lock
    std::mutex FOpenLock;                  // guards FOpen, FLastHandle, FReport and FListReport
    std::map<THandle, TSourceState> FOpen; // open mixers: main thread adds, both threads update
    THandle FLastHandle = 0;
    TChangeReport FReport;             // main thread sets; the loop's thread calls
    std::function<void()> FListReport; // main thread sets; the loop's thread calls
};

} // namespace

std::unique_ptr<TMixerPlatform> CreateServerMixerPlatform() {
    return std::make_unique<TServerMixerPlatform>();
}
