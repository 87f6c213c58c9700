// The mixer over the private sound server: its sources as mixers, their volume and mute as the
// server sees them, and the server's change events.

#include "AuText.h"
#include "DXAudioIn.h"
#include "EngineTestKit.h"
#include "SysAudioMixer.h"

#include <gtest/gtest.h>

namespace {

int MixerNamed(TSysAudioMixer& mixer, const std::string& part) {
    std::vector<std::string> names;
    mixer.FetchMixerNames(names);
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i].find(part) != std::string::npos) return static_cast<int>(i);
    return -1;
}

// The window pairs a mixer with the capture device whose first 31 characters equal its name.
int MatchingCaptureDevice(const TDXAudioIn& in, const std::string& mixerName) {
    int match = -1;
    for (int n = 0; n < in.DeviceCount(); ++n)
        if (FirstCharacters(in.GetDeviceName(n), 31) == mixerName) match = n;
    return match;
}

class ServerMixer : public testing::Test {
protected:
    void SetUp() override {
        sine = MixerNamed(mixer, "Sine");
        if (sine < 0) GTEST_SKIP() << "the private sound server's sine source is not there";
        mixer.SetMixerID(static_cast<uint32_t>(sine));
    }
    void TearDown() override {
        Shell("pactl set-source-volume sarvo_sine 100% && pactl set-source-mute sarvo_sine 0");
    }

    TSysAudioMixer mixer;
    int sine = -1;
};

} // namespace

TEST_F(ServerMixer, EverySourceIsAMixerPairedWithItsCaptureDevice) {
    TDXAudioIn in;
    EXPECT_EQ(mixer.MixerCount(), in.DeviceCount());
    for (uint32_t m = 0; m < mixer.MixerCount(); ++m) {
        mixer.SetMixerID(m);
        EXPECT_EQ(mixer.MixerName(), FirstCharacters(in.GetDeviceName(static_cast<int>(m)), 31));
        EXPECT_EQ(MatchingCaptureDevice(in, mixer.MixerName()), static_cast<int>(m)) << mixer.MixerName();
        EXPECT_EQ(mixer.DestinationCount(), 1);
        EXPECT_EQ(mixer.Master()->TargetType(), tgWaveIn) << "every source is a recording destination";
        EXPECT_GE(mixer.LineCount(), 1);
    }
    mixer.SetMixerID(static_cast<uint32_t>(sine));
    EXPECT_EQ(mixer.MixerName(), "Sine source at 440 Hz");
    ASSERT_EQ(mixer.LineCount(), 1) << "a source without ports has one line";
    EXPECT_EQ(mixer.Lines(0)->Name(), "Sine source at 440 Hz");
    EXPECT_EQ(mixer.Lines(0)->TargetType(), tgWaveIn);
    EXPECT_TRUE(mixer.Lines(0)->Flags().Contains(lfSource));

    const int monitor = MixerNamed(mixer, "Monitor of");
    ASSERT_GE(monitor, 0);
    mixer.SetMixerID(static_cast<uint32_t>(monitor));
    EXPECT_EQ(mixer.Lines(0)->TargetType(), tgUndefined) << "what the computer plays comes after real inputs";
}

TEST_F(ServerMixer, LongAndAccentedDescriptionsAreCutToTheSameName) {
    const std::string description = "Entrée_de_test_avec_une_très_longue_description_é";
    const std::string module = Shell("pactl load-module module-null-sink sink_name=sarvo_long "
                                     "sink_properties=device.description=" +
                                     description + " 2>/dev/null");
    ASSERT_FALSE(module.empty()) << "pactl could not load a module";
    TDXAudioIn in;
    TSysAudioMixer fresh;
    const int m = MixerNamed(fresh, "Entrée");
    if (m >= 0) fresh.SetMixerID(static_cast<uint32_t>(m));
    Shell("pactl unload-module " + module);
    ASSERT_GE(m, 0);
    EXPECT_EQ(fresh.MixerName(), FirstCharacters("Monitor of " + description, 31));
    EXPECT_EQ(MatchingCaptureDevice(in, fresh.MixerName()), m);
}

TEST_F(ServerMixer, VolumeAndMuteRoundTripThroughTheServer) {
    TAudioMixerLine& master = *mixer.Master();
    ASSERT_TRUE(master.AvailableControls().Contains(mcVolume));
    ASSERT_TRUE(master.AvailableControls().Contains(mcMute));
    EXPECT_EQ(master.Volume(), 100) << "100 is the server's normal volume";
    master.SetVolume(37);
    EXPECT_EQ(master.LastError(), MMSYSERR_NOERROR);
    EXPECT_EQ(master.Volume(), 37);
    EXPECT_NE(Shell("pactl get-source-volume sarvo_sine").find("37%"), std::string::npos)
        << Shell("pactl get-source-volume sarvo_sine");

    EXPECT_FALSE(master.Mute());
    master.SetMute(true);
    EXPECT_TRUE(master.Mute());
    EXPECT_NE(Shell("pactl get-source-mute sarvo_sine").find("yes"), std::string::npos);
    master.SetMute(false);
    EXPECT_FALSE(master.Mute());
    EXPECT_NE(Shell("pactl get-source-mute sarvo_sine").find("no"), std::string::npos);

    TAudioMixerLine& line = *mixer.Lines(0);
    EXPECT_EQ(line.Volume(), -1) << "a port has no volume of its own";
    EXPECT_EQ(line.LastError(), MIXERR_INVALCONTROL);
    EXPECT_TRUE(line.Mute());
    EXPECT_EQ(master.SelectedLine(), -1) << "no ports, no select control";
    EXPECT_EQ(master.LastError(), MIXERR_INVALCONTROL);
}

TEST_F(ServerMixer, ServerChangesReachTheHandlerOnTheMainThread) {
    std::vector<TMixerControlType> changes;
    mixer.SetOnControlChange([&](TComponent*, TAudioMixerLine* line, TMixerControlType kind) {
        EXPECT_TRUE(IsMainThread());
        EXPECT_EQ(line, mixer.Master());
        changes.push_back(kind);
    });
    Shell("pactl set-source-volume sarvo_sine 42%");
    EXPECT_TRUE(PumpUntil([&] { return !changes.empty(); }, 3000)) << "waiting for the volume change";
    Shell("pactl set-source-mute sarvo_sine 1");
    EXPECT_TRUE(PumpUntil([&] { return changes.size() >= 2; }, 3000)) << "waiting for the mute change";
    EXPECT_EQ(changes, (std::vector<TMixerControlType>{mcVolume, mcMute}));
    EXPECT_EQ(mixer.Master()->Volume(), 42);
}

TEST(ServerMixerWithoutServer, NoServerMeansNoMixersAndNoException) {
    TNoSoundServer noServer;
    const auto start = std::chrono::steady_clock::now();
    {
        TSysAudioMixer mixer;
        EXPECT_EQ(mixer.MixerCount(), 0);
        EXPECT_EQ(mixer.Handle(), 0u);
        EXPECT_EQ(mixer.LineCount(), 0);
        EXPECT_EQ(mixer.Master()->Volume(), -1);
        std::vector<std::string> names;
        EXPECT_EQ(mixer.FetchMixerNames(names), 0);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
