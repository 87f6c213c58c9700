// The mixer's logic over a scripted device model: mixers with destinations, source lines, and
// controls that the test server does not have (ports, multiple-select lists, lines without volume).

#include "EngineTestKit.h"
#include "SysAudioMixer.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <thread>

namespace {

struct TModelControl {
    uint32_t type = 0;
    uint32_t maximum = 0;
    std::vector<std::string> items; // list controls
    std::vector<uint32_t> values;   // one, or one per item
};

struct TModelLine {
    std::string name;
    uint32_t target = tgWaveIn;
    uint32_t component = cmSrcMicrophone;
    uint32_t flags = MIXERLINE_LINEF_SOURCE | MIXERLINE_LINEF_ACTIVE;
    std::vector<TModelControl> controls;
};

struct TModelDestination {
    TModelLine line;
    std::vector<TModelLine> sources;
};

struct TModelMixer {
    std::string name;
    std::vector<TModelDestination> destinations;
};

TModelControl Volume(uint32_t maximum, uint32_t raw) {
    return {MIXERCONTROL_CONTROLTYPE_VOLUME, maximum, {}, {raw}};
}
TModelControl MuteSwitch(bool on) { return {MIXERCONTROL_CONTROLTYPE_MUTE, 1, {}, {on ? 1u : 0u}}; }
TModelControl List(uint32_t type, std::vector<std::string> items, int selected) {
    std::vector<uint32_t> values(items.size(), 0);
    if (selected >= 0) values[static_cast<size_t>(selected)] = 1;
    return {type, static_cast<uint32_t>(items.size() - 1), std::move(items), std::move(values)};
}

// Line id = destination × 256 + source + 1 (0 for a destination); control id = line id × 16 + position.
class TModelPlatform : public TMixerPlatform {
public:
    explicit TModelPlatform(std::vector<TModelMixer> mixers) : Mixers(std::move(mixers)) {}

    std::vector<TModelMixer> Mixers;
    std::vector<uint32_t> Opened, Closed;
    int Writes = 0;
    TChangeReport Report;

    uint32_t DeviceCount() override { return static_cast<uint32_t>(Mixers.size()); }
    uint32_t GetCaps(uint32_t mixer, TMixerCaps& caps) override {
        if (mixer >= Mixers.size()) return MMSYSERR_BADDEVICEID;
        caps.szPname = Mixers[mixer].name;
        caps.cDestinations = static_cast<uint32_t>(Mixers[mixer].destinations.size());
        return MMSYSERR_NOERROR;
    }
    uint32_t Open(uint32_t mixer, THandle& handle) override {
        if (mixer >= Mixers.size()) return MMSYSERR_BADDEVICEID;
        handle = 100 + mixer;
        Opened.push_back(mixer);
        return MMSYSERR_NOERROR;
    }
    void Close(THandle handle) override { Closed.push_back(static_cast<uint32_t>(handle - 100)); }

    uint32_t LineByDestination(THandle handle, uint32_t d, TMixerLineInfo& line) override {
        TModelMixer* mixer = MixerOf(handle);
        if (!mixer) return MMSYSERR_INVALHANDLE;
        if (d >= mixer->destinations.size()) return MIXERR_INVALLINE;
        line = InfoOf(mixer->destinations[d].line, d, 0, d << 8);
        line.cConnections = static_cast<uint32_t>(mixer->destinations[d].sources.size());
        return MMSYSERR_NOERROR;
    }
    uint32_t LineBySource(THandle handle, uint32_t d, uint32_t s, TMixerLineInfo& line) override {
        TModelMixer* mixer = MixerOf(handle);
        if (!mixer) return MMSYSERR_INVALHANDLE;
        if (d >= mixer->destinations.size() || s >= mixer->destinations[d].sources.size())
            return MIXERR_INVALLINE;
        line = InfoOf(mixer->destinations[d].sources[s], d, s, (d << 8) + s + 1);
        return MMSYSERR_NOERROR;
    }
    uint32_t LineByComponentType(THandle handle, uint32_t component, TMixerLineInfo& line) override {
        TModelMixer* mixer = MixerOf(handle);
        if (!mixer) return MMSYSERR_INVALHANDLE;
        for (uint32_t d = 0; d < mixer->destinations.size(); ++d)
            for (uint32_t s = 0; s < mixer->destinations[d].sources.size(); ++s)
                if (mixer->destinations[d].sources[s].component == component)
                    return LineBySource(handle, d, s, line);
        return MIXERR_INVALLINE;
    }
    uint32_t LineControl(THandle handle, uint32_t lineID, uint32_t type, TMixerControl& control) override {
        TModelLine* line = LineOf(handle, lineID);
        if (!line) return MIXERR_INVALLINE;
        for (size_t i = 0; i < line->controls.size(); ++i)
            if (line->controls[i].type == type) {
                control.dwControlID = lineID * 16 + static_cast<uint32_t>(i);
                control.dwControlType = type;
                control.dwMaximum = line->controls[i].maximum;
                control.cMultipleItems = static_cast<uint32_t>(line->controls[i].items.size());
                return MMSYSERR_NOERROR;
            }
        return MIXERR_INVALCONTROL;
    }
    uint32_t GetValues(THandle handle, uint32_t id, uint32_t items, std::vector<uint32_t>& values) override {
        TModelControl* control = ControlOf(handle, id);
        if (!control) return MIXERR_INVALCONTROL;
        EXPECT_EQ(items, control->items.size());
        values = control->values;
        return MMSYSERR_NOERROR;
    }
    uint32_t GetItemTexts(THandle handle, uint32_t id, uint32_t items,
                          std::vector<std::string>& texts) override {
        TModelControl* control = ControlOf(handle, id);
        if (!control || control->items.empty()) return MIXERR_INVALCONTROL;
        EXPECT_EQ(items, control->items.size());
        texts = control->items;
        return MMSYSERR_NOERROR;
    }
    uint32_t SetValues(THandle handle, uint32_t id, const std::vector<uint32_t>& values) override {
        TModelControl* control = ControlOf(handle, id);
        if (!control) return MIXERR_INVALCONTROL;
        EXPECT_EQ(values.size(), control->values.size());
        control->values = values;
        ++Writes;
        return MMSYSERR_NOERROR;
    }
    void SetChangeReport(TChangeReport report) override { Report = std::move(report); }

private:
    TModelMixer* MixerOf(THandle handle) {
        return handle >= 100 && handle - 100 < Mixers.size() ? &Mixers[handle - 100] : nullptr;
    }
    TModelLine* LineOf(THandle handle, uint32_t lineID) {
        TModelMixer* mixer = MixerOf(handle);
        const uint32_t d = lineID >> 8, s = lineID & 0xFF;
        if (!mixer || d >= mixer->destinations.size()) return nullptr;
        if (s == 0) return &mixer->destinations[d].line;
        return s <= mixer->destinations[d].sources.size() ? &mixer->destinations[d].sources[s - 1] : nullptr;
    }
    TModelControl* ControlOf(THandle handle, uint32_t id) {
        TModelLine* line = LineOf(handle, id / 16);
        return line && id % 16 < line->controls.size() ? &line->controls[id % 16] : nullptr;
    }
    static TMixerLineInfo InfoOf(const TModelLine& model, uint32_t d, uint32_t s, uint32_t id) {
        TMixerLineInfo line;
        line.dwDestination = d;
        line.dwSource = s;
        line.dwLineID = id;
        line.szName = model.name;
        line.dwType = model.target;
        line.dwComponentType = model.component;
        line.fdwLine = model.flags;
        return line;
    }
};

TModelLine Recording(std::vector<TModelControl> controls) {
    return {"Recording", tgWaveIn, cmDstWaveIn, MIXERLINE_LINEF_ACTIVE, std::move(controls)};
}

TModelLine Input(std::string name, uint32_t target, uint32_t component) {
    return {std::move(name), target, component, MIXERLINE_LINEF_SOURCE | MIXERLINE_LINEF_ACTIVE, {}};
}

// A sound card: playback destination 0 (no lines), recording destination 1 with three inputs
// selected by a single-select list; a webcam whose only line has a volume but no mute.
std::vector<TModelMixer> TwoCards() {
    TModelDestination playback{
        {"Speakers", tgWaveOut, cmDstSpeakers, MIXERLINE_LINEF_ACTIVE, {Volume(65535, 65535)}}, {}};
    TModelDestination recording{
        Recording({Volume(65536, 24248), MuteSwitch(false),
                   List(MIXERCONTROL_CONTROLTYPE_MUX, {"Microphone", "Line In", "Stereo Mix"}, 1)}),
        {Input("Microphone", tgWaveIn, cmSrcMicrophone), Input("Line In", tgWaveIn, cmSrcLine),
         Input("Stereo Mix", tgUndefined, cmSrcAnalog)}};
    TModelDestination webcam{Recording({}),
                             {{"Webcam Mic", tgWaveIn, cmSrcMicrophone, 0, {Volume(100, 50)}}}};
    return {{"Realtek HD Audio", {playback, recording}}, {"USB Camera", {webcam}}};
}

struct Mixer : ::testing::Test {
    TModelPlatform* model = nullptr;
    std::unique_ptr<TSysAudioMixer> mixer;

    void Make(std::vector<TModelMixer> mixers) {
        auto platform = std::make_unique<TModelPlatform>(std::move(mixers));
        model = platform.get();
        mixer = std::make_unique<TSysAudioMixer>(nullptr, std::move(platform));
    }
    TModelControl& MasterControl(size_t i) { return model->Mixers[0].destinations[1].line.controls[i]; }
};

} // namespace

TEST_F(Mixer, WithoutDevicesEverythingReportsThroughSentinels) {
    Make({});
    EXPECT_EQ(mixer->MixerCount(), 0);
    EXPECT_EQ(mixer->Handle(), 0u);
    EXPECT_EQ(mixer->LastError(), MMSYSERR_BADDEVICEID);
    std::vector<std::string> names;
    EXPECT_EQ(mixer->FetchMixerNames(names), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(mixer->LineCount(), 0);
    EXPECT_EQ(mixer->Lines(0), nullptr);
    EXPECT_EQ(mixer->Master()->Volume(), -1);
    EXPECT_EQ(mixer->Master()->LastError(), MIXERR_INVALCONTROL);
    EXPECT_TRUE(mixer->Master()->Mute());
    EXPECT_EQ(mixer->Master()->SelectedLine(), -1);
    uint32_t d = 9, l = 9;
    EXPECT_FALSE(mixer->FindMixerLine(cmSrcMicrophone, d, l));
    mixer->SetMixerID(0);
    EXPECT_EQ(mixer->Handle(), 0u);
}

TEST_F(Mixer, ChoosingMixersAndDestinations) {
    Make(TwoCards());
    EXPECT_EQ(mixer->MixerCount(), 2);
    EXPECT_EQ(mixer->MixerName(), "Realtek HD Audio");
    EXPECT_EQ(mixer->DestinationCount(), 2);
    EXPECT_EQ(mixer->DestinationName(), "Speakers");
    EXPECT_EQ(mixer->Master()->TargetType(), tgWaveOut);
    EXPECT_EQ(mixer->LineCount(), 0);

    mixer->SetMixerID(2); // one past the last
    EXPECT_EQ(mixer->MixerID(), 0u);
    EXPECT_EQ(model->Opened, (std::vector<uint32_t>{0}));

    mixer->SetDestinationID(1);
    EXPECT_EQ(mixer->DestinationName(), "Recording");
    EXPECT_EQ(mixer->Master()->TargetType(), tgWaveIn);
    EXPECT_EQ(mixer->Master()->ComponentType(), cmDstWaveIn);
    ASSERT_EQ(mixer->LineCount(), 3);
    EXPECT_EQ(mixer->Lines(2)->Name(), "Stereo Mix");
    EXPECT_EQ(mixer->Lines(2)->ID(), 2);
    EXPECT_EQ(mixer->Lines(2)->TargetType(), tgUndefined);
    EXPECT_EQ(mixer->Lines(1)->ComponentType(), cmSrcLine);
    EXPECT_TRUE(mixer->Lines(0)->Flags().Contains(lfSource));
    EXPECT_TRUE(mixer->Lines(0)->Flags().Contains(lfActive));
    EXPECT_FALSE(mixer->Lines(0)->Flags().Contains(lfDisconnected));
    EXPECT_EQ(mixer->Master()->AvailableControls().Mask(), 1u | 2u | 4u);

    mixer->SetMixerID(1);
    EXPECT_EQ(model->Closed, (std::vector<uint32_t>{0}));
    EXPECT_EQ(mixer->MixerName(), "USB Camera");
    EXPECT_EQ(mixer->DestinationID(), 0u) << "destination 1 does not exist on this mixer";
    EXPECT_EQ(mixer->LineCount(), 1);

    mixer->SetDestinationID(5);
    EXPECT_EQ(mixer->DestinationID(), 0u);

    mixer->SetMixerName("Realtek HD Audio");
    EXPECT_EQ(mixer->MixerID(), 0u);
    mixer->SetMixerName("No such card");
    EXPECT_EQ(mixer->MixerID(), 0u);
    mixer->SetDestinationName("Recording");
    EXPECT_EQ(mixer->DestinationID(), 1u);

    std::vector<std::string> names{"kept"};
    EXPECT_EQ(mixer->FetchMixerNames(names), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"kept", "Realtek HD Audio", "USB Camera"}));
    names.clear();
    EXPECT_EQ(mixer->FetchDestinationNames(names), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"Speakers", "Recording"}));
}

TEST_F(Mixer, UnknownTypesReadAsTheFirstEntries) {
    auto cards = TwoCards();
    cards[0].destinations[1].sources[0].target = 17;
    cards[0].destinations[1].sources[0].component = 0x2000;
    Make(cards);
    mixer->SetDestinationID(1);
    EXPECT_EQ(mixer->Lines(0)->TargetType(), tgUndefined);
    EXPECT_EQ(mixer->Lines(0)->ComponentType(), cmDstUndefined);
}

TEST_F(Mixer, VolumeIsScaledToPercentAndClamped) {
    Make(TwoCards());
    mixer->SetDestinationID(1);
    TAudioMixerLine& master = *mixer->Master();
    EXPECT_EQ(master.Volume(), 37);
    EXPECT_EQ(master.LastError(), MMSYSERR_NOERROR);
    master.SetVolume(50);
    EXPECT_EQ(MasterControl(0).values[0], 32768u);
    master.SetVolume(150);
    EXPECT_EQ(MasterControl(0).values[0], 65536u);
    EXPECT_EQ(master.Volume(), 100);
    master.SetVolume(-5);
    EXPECT_EQ(MasterControl(0).values[0], 0u);
    MasterControl(0).values[0] = 32767; // 49.9985 %
    EXPECT_EQ(master.Volume(), 50);
    MasterControl(0).values[0] = 32440; // 49.499 %
    EXPECT_EQ(master.Volume(), 49);

    TAudioMixerLine& microphone = *mixer->Lines(0);
    const int writes = model->Writes;
    EXPECT_EQ(microphone.Volume(), -1);
    EXPECT_EQ(microphone.LastError(), MIXERR_INVALCONTROL);
    microphone.SetVolume(40);
    EXPECT_EQ(model->Writes, writes);
    EXPECT_EQ(microphone.LastError(), MIXERR_INVALCONTROL);

    mixer->SetMixerID(1);
    EXPECT_EQ(mixer->Lines(0)->Volume(), 50) << "a maximum of 100 reads unscaled";
    mixer->Lines(0)->SetVolume(33);
    EXPECT_EQ(model->Mixers[1].destinations[0].sources[0].controls[0].values[0], 33u);
}

TEST_F(Mixer, MuteRoundTripsAndReadsTrueWithoutControl) {
    Make(TwoCards());
    mixer->SetDestinationID(1);
    EXPECT_FALSE(mixer->Master()->Mute());
    mixer->Master()->SetMute(true);
    EXPECT_EQ(MasterControl(1).values[0], 1u);
    EXPECT_TRUE(mixer->Master()->Mute());
    mixer->Master()->SetMute(false);
    EXPECT_FALSE(mixer->Master()->Mute());

    mixer->SetMixerID(1);
    const int writes = model->Writes;
    EXPECT_TRUE(mixer->Lines(0)->Mute());
    mixer->Lines(0)->SetMute(false);
    EXPECT_EQ(model->Writes, writes);
    EXPECT_TRUE(mixer->Lines(0)->Mute());
}

TEST_F(Mixer, SelectedLineFollowsTheSelectList) {
    Make(TwoCards());
    mixer->SetDestinationID(1);
    TAudioMixerLine& master = *mixer->Master();
    EXPECT_EQ(master.SelectedLine(), 1);
    master.SetSelectedLine(2);
    EXPECT_EQ(MasterControl(2).values, (std::vector<uint32_t>{0, 0, 1}));
    EXPECT_EQ(master.SelectedLine(), 2);
    EXPECT_EQ(master.LastError(), MMSYSERR_NOERROR);

    master.SetSelectedLine(7); // no such line
    EXPECT_EQ(master.LastError(), ERROR_BAD_FORMAT);
    EXPECT_EQ(MasterControl(2).values, (std::vector<uint32_t>{0, 0, 1}));

    MasterControl(2).values = {0, 0, 0};
    EXPECT_EQ(master.SelectedLine(), -1);
    EXPECT_EQ(master.LastError(), ERROR_BAD_FORMAT);

    EXPECT_EQ(mixer->Lines(0)->SelectedLine(), -1) << "a source line has no list";
    EXPECT_EQ(mixer->Lines(0)->LastError(), MIXERR_INVALCONTROL);
}

TEST_F(Mixer, ItemsNamedDifferentlyFromTheLinesLeaveTheSelection) {
    auto cards = TwoCards();
    cards[0].destinations[1].line.controls[2].items = {"Mic", "Line", "What U Hear"};
    Make(cards);
    mixer->SetDestinationID(1);
    EXPECT_EQ(mixer->Master()->SelectedLine(), -1);
    EXPECT_EQ(mixer->Master()->LastError(), ERROR_BAD_FORMAT);
    mixer->Master()->SetSelectedLine(0);
    EXPECT_EQ(mixer->Master()->LastError(), ERROR_BAD_FORMAT);
    EXPECT_EQ(MasterControl(2).values, (std::vector<uint32_t>{0, 1, 0}));
}

TEST_F(Mixer, MultipleSelectListIsPreferredAndGetsExactlyOneItem) {
    auto cards = TwoCards();
    auto& controls = cards[0].destinations[1].line.controls;
    controls.push_back(List(MIXERCONTROL_CONTROLTYPE_MIXER, {"Stereo Mix", "Microphone", "Line In"}, -1));
    controls.back().values = {1, 0, 1};
    Make(cards);
    mixer->SetDestinationID(1);
    EXPECT_EQ(mixer->Master()->AvailableControls().Mask(), 15u);
    EXPECT_EQ(mixer->Master()->SelectedLine(), 2) << "first set item is Stereo Mix, line 2";
    mixer->Master()->SetSelectedLine(0);
    EXPECT_EQ(MasterControl(3).values, (std::vector<uint32_t>{0, 1, 0}));
    EXPECT_EQ(MasterControl(2).values, (std::vector<uint32_t>{0, 1, 0}))
        << "the single-select list is untouched";
}

TEST_F(Mixer, DuplicateNamesResolveToTheFirst) {
    auto cards = TwoCards();
    auto& recording = cards[0].destinations[1];
    recording.sources[1].name = "Microphone";
    recording.line.controls[2].items = {"Microphone", "Microphone", "Stereo Mix"};
    Make(cards);
    mixer->SetDestinationID(1);
    EXPECT_EQ(mixer->Master()->SelectedLine(), 0) << "item 1 is set; its name is line 0's first";
    mixer->Master()->SetSelectedLine(1);
    EXPECT_EQ(MasterControl(2).values, (std::vector<uint32_t>{1, 0, 0}));
    EXPECT_EQ(mixer->Master()->SelectedLine(), 0);
}

TEST_F(Mixer, FindMixerLineGivesDestinationAndSource) {
    Make(TwoCards());
    uint32_t d = 9, l = 9;
    EXPECT_TRUE(mixer->FindMixerLine(cmSrcLine, d, l));
    EXPECT_EQ(d, 1u);
    EXPECT_EQ(l, 1u);
    EXPECT_FALSE(mixer->FindMixerLine(cmCompactDisc, d, l));
    EXPECT_EQ(mixer->LastError(), MIXERR_INVALLINE);
}

TEST_F(Mixer, ChangesReachTheHandlersOnTheMainThread) {
    Make(TwoCards());
    mixer->SetDestinationID(1);
    std::vector<std::pair<int32_t, int>> seen; // line ID, control kind (-1: line change)
    bool onMain = true;
    mixer->SetOnLineChange([&](TComponent* sender, TAudioMixerLine* line) {
        EXPECT_EQ(sender, mixer.get());
        onMain = onMain && IsMainThread();
        seen.push_back({line->ID(), -1});
    });
    mixer->SetOnControlChange([&](TComponent*, TAudioMixerLine* line, TMixerControlType kind) {
        onMain = onMain && IsMainThread();
        seen.push_back({line->ID(), kind});
    });
    const auto handle = mixer->Handle();
    std::thread server([&] {
        model->Report(handle, false, (1 << 8) + 2);     // line "Line In"
        model->Report(handle, true, (1 << 8) * 16 + 1); // master's mute
        model->Report(handle, true, 12345);             // nobody's control
        model->Report(handle + 1, false, 1 << 8);       // another mixer
        model->Report(handle, false, 1 << 8);           // the master line
    });
    server.join();
    EXPECT_TRUE(PumpUntil([&] { return seen.size() == 3; })) << "waiting for the three changes to this mixer";
    PumpFor(50);
    EXPECT_TRUE(onMain);
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int>>{{1, -1}, {-1, mcMute}, {-1, -1}}));
}

TEST_F(Mixer, NoChangeIsDeliveredAfterTheMixerIsGone) {
    Make(TwoCards());
    int calls = 0;
    mixer->SetOnLineChange([&](TComponent*, TAudioMixerLine*) { ++calls; });
    auto report = model->Report;
    const auto handle = mixer->Handle();
    report(handle, false, 0);
    mixer.reset();
    PumpFor(50);
    EXPECT_EQ(calls, 0);
}
