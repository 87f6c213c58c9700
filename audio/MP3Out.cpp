#include "MP3Out.h"

#include <lame/lame.h>
#include <taglib/tag_c.h>

#include <dlfcn.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

// ---------------------------------------------------------------------------------------------
// The libraries, loaded on first use and kept for the life of the process.

std::mutex LibraryLock; // guards the names and both libraries' state
std::string EncoderLibraryName = "libmp3lame.so.0";
std::string TagLibraryName = "libtag_c.so.0";

template <class F>
bool Resolve(void* handle, const char* name, F*& entry) {
    entry = reinterpret_cast<F*>(dlsym(handle, name));
    return entry != nullptr;
}

// Each library's entry points, listed once: X(member, symbol).
#define SARVO_LAME_ENTRIES(X)                                                                                \
    X(init, lame_init)                                                                                       \
    X(close, lame_close)                                                                                     \
    X(set_in_samplerate, lame_set_in_samplerate)                                                             \
    X(set_out_samplerate, lame_set_out_samplerate)                                                           \
    X(set_num_channels, lame_set_num_channels)                                                               \
    X(set_mode, lame_set_mode)                                                                               \
    X(set_brate, lame_set_brate)                                                                             \
    X(set_error_protection, lame_set_error_protection)                                                       \
    X(set_copyright, lame_set_copyright)                                                                     \
    X(set_original, lame_set_original)                                                                       \
    X(set_extension, lame_set_extension)                                                                     \
    X(set_bWriteVbrTag, lame_set_bWriteVbrTag)                                                               \
    X(set_disable_reservoir, lame_set_disable_reservoir)                                                     \
    X(set_strict_ISO, lame_set_strict_ISO)                                                                   \
    X(set_VBR, lame_set_VBR)                                                                                 \
    X(set_VBR_q, lame_set_VBR_q)                                                                             \
    X(set_VBR_mean_bitrate_kbps, lame_set_VBR_mean_bitrate_kbps)                                             \
    X(set_VBR_min_bitrate_kbps, lame_set_VBR_min_bitrate_kbps)                                               \
    X(set_VBR_max_bitrate_kbps, lame_set_VBR_max_bitrate_kbps)                                               \
    X(init_params, lame_init_params)                                                                         \
    X(get_framesize, lame_get_framesize)                                                                     \
    X(encode_buffer_interleaved, lame_encode_buffer_interleaved)                                             \
    X(encode_buffer, lame_encode_buffer)                                                                     \
    X(encode_flush, lame_encode_flush)                                                                       \
    X(mp3_tags_fid, lame_mp3_tags_fid)

#define SARVO_TAGLIB_ENTRIES(X)                                                                              \
    X(set_default_text_encoding, taglib_id3v2_set_default_text_encoding)                                     \
    X(file_new, taglib_file_new)                                                                             \
    X(file_tag, taglib_file_tag)                                                                             \
    X(file_is_valid, taglib_file_is_valid)                                                                   \
    X(set_title, taglib_tag_set_title)                                                                       \
    X(set_artist, taglib_tag_set_artist)                                                                     \
    X(set_album, taglib_tag_set_album)                                                                       \
    X(set_genre, taglib_tag_set_genre)                                                                       \
    X(set_year, taglib_tag_set_year)                                                                         \
    X(set_track, taglib_tag_set_track)                                                                       \
    X(file_save, taglib_file_save)                                                                           \
    X(file_free, taglib_file_free)

#define SARVO_DECLARE_ENTRY(member, symbol) decltype(&symbol) member = nullptr;
#define SARVO_RESOLVE_ENTRY(member, symbol) &&Resolve(handle, #symbol, member)

struct TLame {
    bool loaded = false;
    SARVO_LAME_ENTRIES(SARVO_DECLARE_ENTRY)
    bool ResolveAll(void* handle) { return true SARVO_LAME_ENTRIES(SARVO_RESOLVE_ENTRY); }
} Lame;

struct TTagLib {
    bool loaded = false;
    SARVO_TAGLIB_ENTRIES(SARVO_DECLARE_ENTRY)
    bool ResolveAll(void* handle) { return true SARVO_TAGLIB_ENTRIES(SARVO_RESOLVE_ENTRY); }
} TagLib;

#undef SARVO_RESOLVE_ENTRY
#undef SARVO_DECLARE_ENTRY
#undef SARVO_TAGLIB_ENTRIES
#undef SARVO_LAME_ENTRIES

// Loads the library once; a failure is tried again next time.
template <class TLibrary>
bool LoadLibrary(TLibrary& library, const std::string& name) {
    std::lock_guard lock(LibraryLock);
    if (library.loaded) return true;
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return false;
    if (!library.ResolveAll(handle)) {
        dlclose(handle);
        return false;
    }
    library.loaded = true;
    return true;
}

bool LoadEncoder() { return LoadLibrary(Lame, EncoderLibraryName); }

bool LoadTagLibrary() { return LoadLibrary(TagLib, TagLibraryName); }

std::string EncoderName() {
    std::lock_guard lock(LibraryLock);
    return EncoderLibraryName;
}

// A whole unsigned number, or nothing.
bool ParseNumber(const std::string& text, unsigned& value) {
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && last == end && !text.empty();
}

constexpr uint32_t Kbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320};

} // namespace

uint32_t BitrateKbps(TMP3BitRate rate) { return Kbps[rate]; }

void SetMP3LibraryNames(const std::string& encoder, const std::string& tags) {
    std::lock_guard lock(LibraryLock);
    EncoderLibraryName = encoder;
    TagLibraryName = tags;
}

// ---------------------------------------------------------------------------------------------
// TMP3Out

struct TMP3Out::TEncoder {
    lame_global_flags* flags = nullptr;
    ~TEncoder() {
        if (flags) Lame.close(flags);
    }
};

TMP3Out::TMP3Out(TComponent* AOwner) : TAuTaggedFileOut(AOwner) {
    LoadEncoder();
    LoadTagLibrary();
}

TMP3Out::~TMP3Out() { ShutdownThread(); }

std::array<uint8_t, 128> TMP3Out::Id3v1Block(const TId3v1Tags& tags) {
    const bool fourDigits = tags.Year() >= 1000 && tags.Year() <= 9999;
    std::array<uint8_t, 128> block =
        tags.TextBlock(30, fourDigits ? std::to_string(tags.Year()) : std::string());
    block[127] = Id3v1NoGenre;
    return block;
}

void TMP3Out::FillConfig(uint32_t sampleRate, uint32_t channels) {
    TBeConfig c;
    c.dwConfig = 256;
    c.dwStructVersion = 1;
    c.dwStructSize = 331;
    c.dwSampleRate = sampleRate;
    c.nMode = channels == 1 ? 3 : (FMode == mmDual ? 0 : static_cast<int32_t>(FMode));
    c.dwBitrate = BitrateKbps(FBitRate);
    c.dwMaxBitrate = BitrateKbps(FMaximumBitrate);
    c.bCRC = FCRC;
    c.bCopyright = 0;
    c.bOriginal = FOriginal;
    c.bEnableVBR = FEnableVBR;
    c.bWriteVBRHeader = FEnableVBR;
    c.nVBRQuality = FEnableVBR ? static_cast<int32_t>(FVBRQuality) : 0;
    c.dwVbrAbr_bps = BitrateKbps(FAverageBitrate);
    c.nVbrMethod = FAverageBitrate != mbrAuto ? 4 : 2;
    c.bNoRes = FEnableBitReservoir ? 0 : -1;
    c.bStrictIso = FStrictISO ? -1 : 0;
    FConfig = c;
}

namespace {

// Every setting of the record through the encoder's own setters. A setting the encoder refuses
// fails like lame_init_params, whose result this is.
int ApplyConfig(lame_global_flags* gf, const TBeConfig& c, uint32_t channels) {
    int refused = 0;
    const auto set = [&refused](int result) { refused |= result; };
    set(Lame.set_in_samplerate(gf, static_cast<int>(c.dwSampleRate)));
    if (c.dwReSampleRate != 0) set(Lame.set_out_samplerate(gf, static_cast<int>(c.dwReSampleRate)));
    set(Lame.set_num_channels(gf, static_cast<int>(channels)));
    set(Lame.set_mode(gf, static_cast<MPEG_mode>(c.nMode)));
    set(Lame.set_brate(gf, static_cast<int>(c.dwBitrate)));
    set(Lame.set_error_protection(gf, c.bCRC != 0));
    set(Lame.set_copyright(gf, c.bCopyright != 0));
    set(Lame.set_original(gf, c.bOriginal != 0));
    set(Lame.set_extension(gf, c.bPrivate != 0));
    set(Lame.set_bWriteVbrTag(gf, c.bWriteVBRHeader != 0));
    set(Lame.set_disable_reservoir(gf, c.bNoRes != 0));
    set(Lame.set_strict_ISO(gf, c.bStrictIso != 0));
    if (c.bEnableVBR) {
        if (c.nVbrMethod == 4) {
            set(Lame.set_VBR(gf, vbr_abr));
            set(Lame.set_VBR_mean_bitrate_kbps(gf, static_cast<int>(c.dwVbrAbr_bps)));
        } else {
            set(Lame.set_VBR(gf, vbr_mtrh));
            set(Lame.set_VBR_q(gf, c.nVBRQuality));
        }
        if (c.dwBitrate != 0) set(Lame.set_VBR_min_bitrate_kbps(gf, static_cast<int>(c.dwBitrate)));
        if (c.dwMaxBitrate != 0) set(Lame.set_VBR_max_bitrate_kbps(gf, static_cast<int>(c.dwMaxBitrate)));
    } else {
        set(Lame.set_VBR(gf, vbr_off));
    }
    return refused != 0 ? -1 : Lame.init_params(gf);
}

} // namespace

void TMP3Out::DoPrepare() {
    if (!LoadEncoder()) throw EAuException(EncoderName() + " library could not be loaded.");
    if (!FStreamAssigned) {
        if (FWideFileName.empty()) throw EAuException("File name is not assigned.");
        FOwnStream = std::make_unique<TAuFileStream>(FWideFileName, fmCreate | FShareMode);
        FStream = FOwnStream.get();
    }
    TAuInput& input = *Input();
    input.Init();
    FChannels = input.Channels();
    FillConfig(input.SampleRate(), FChannels);
    auto encoder = std::make_unique<TEncoder>();
    encoder->flags = Lame.init();
    const int result = encoder->flags ? ApplyConfig(encoder->flags, FConfig, FChannels) : -1;
    if (result != 0) throw EAuException("LAME Error: " + std::to_string(result));
    const uint32_t samplesPerChunk = static_cast<uint32_t>(Lame.get_framesize(encoder->flags)) * FChannels;
    _Stream = std::move(encoder);
    BufferSize = FChannels * samplesPerChunk;
    Buffer.assign(BufferSize, 0);
    // The encoder's own worst case for one chunk: 1.25 × samples + 7200 bytes.
    mp3buf.assign(samplesPerChunk * 5 / 4 + 7200, 0);
}

void TMP3Out::WriteOut(const uint8_t* data, uint32_t bytes, bool lostIfShort) {
    if (bytes == 0 || FStream->Write(data, bytes) == bytes) return;
    if (lostIfShort) throw EAuLostAudio("Error writing down mp3 file");
    throw EAuException("Error writing down mp3 file");
}

bool TMP3Out::DoChunk(bool Abort) {
    if (!CanOutput) return true;
    if (Abort) return false;
    bool endOf = false;
    const int32_t got = Input()->FillBuffer(Buffer.data(), static_cast<int32_t>(BufferSize), endOf);
    if (got <= 0) return false;
    const int frames = got / 2 / static_cast<int>(FChannels);
    const auto* pcm = reinterpret_cast<short*>(Buffer.data());
    const int produced = FChannels == 1
                             ? Lame.encode_buffer(_Stream->flags, pcm, pcm, frames, mp3buf.data(),
                                                  static_cast<int>(mp3buf.size()))
                             : Lame.encode_buffer_interleaved(_Stream->flags, const_cast<short*>(pcm), frames,
                                                              mp3buf.data(), static_cast<int>(mp3buf.size()));
    WriteOut(mp3buf.data(), produced > 0 ? static_cast<uint32_t>(produced) : 0, false);
    return !endOf;
}

// With the encoder open: its last bytes, the ID3v1 block, then the VBR header by path.
void TMP3Out::FinishEncoder() {
    const int produced = Lame.encode_flush(_Stream->flags, mp3buf.data(), static_cast<int>(mp3buf.size()));
    WriteOut(mp3buf.data(), produced > 0 ? static_cast<uint32_t>(produced) : 0, true);
    const std::array<uint8_t, 128> block = Id3v1Block(FId3v1Tags);
    WriteOut(block.data(), block.size(), true);
}

void TMP3Out::DoFinish() {
    std::string lost;
    try {
        if (_Stream && FStream) FinishEncoder();
    } catch (const EAuLostAudio& e) {
        lost = e.what();
    }
    FOwnStream.reset();
    if (!FStreamAssigned) FStream = nullptr;
    if (_Stream && FConfig.bEnableVBR && !FFileName.empty())
        if (FILE* file = std::fopen(FFileName.c_str(), "r+b")) {
            Lame.mp3_tags_fid(_Stream->flags, file);
            std::fclose(file);
        }
    _Stream.reset();
    mp3buf.clear();
    Buffer.clear();
    try {
        WriteId3v2Tags();
    } catch (...) {
        Input()->Flush();
        if (!lost.empty()) throw EAuLostAudio(lost);
        throw;
    }
    Input()->Flush();
    if (!lost.empty()) throw EAuLostAudio(lost);
}

void TMP3Out::WriteId3v2Tags() {
    // The tag library drops an all-empty ID3v1 block when it saves, so it is left out when there
    // is no ID3v2 text to write.
    unsigned number = 0;
    const bool anyText = !FId3v2Tags.Title().empty() || !FId3v2Tags.Artist().empty() ||
                         !FId3v2Tags.Album().empty() || !FId3v2Tags.Genre().empty() ||
                         ParseNumber(FId3v2Tags.Year(), number) || ParseNumber(FId3v2Tags.Track(), number);
    if (FWideFileName.empty() || !anyText || !LoadTagLibrary()) return;
    TagLib.set_default_text_encoding(TagLib_ID3v2_UTF16);
    TagLib_File* file = TagLib.file_new(FWideFileName.c_str());
    if (!file) throw EAuException("Failed to write tags");
    struct TFree {
        TagLib_File* f;
        ~TFree() { TagLib.file_free(f); }
    } freeFile{file};
    TagLib_Tag* tag = TagLib.file_tag(file);
    if (!TagLib.file_is_valid(file) || !tag) throw EAuException("Failed to write tags");
    TagLib.set_title(tag, FId3v2Tags.Title().c_str());
    TagLib.set_artist(tag, FId3v2Tags.Artist().c_str());
    TagLib.set_album(tag, FId3v2Tags.Album().c_str());
    TagLib.set_genre(tag, FId3v2Tags.Genre().c_str());
    if (ParseNumber(FId3v2Tags.Year(), number)) TagLib.set_year(tag, number);
    if (ParseNumber(FId3v2Tags.Track(), number)) TagLib.set_track(tag, number);
    if (!TagLib.file_save(file)) throw EAuException("Failed to save tags");
}
