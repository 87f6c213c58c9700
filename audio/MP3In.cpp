#include "MP3In.h"

#include <mpg123.h>

#include <cmath>
#include <cstring>
#include <mutex>

namespace {

// The size of an ID3v2 tag at the start of the stream (header and footer included), or 0.
int64_t LeadingTagBytes(TStream& stream) {
    uint8_t h[10] = {};
    stream.SetPosition(0);
    if (stream.Read(h, 10) != 10 || std::memcmp(h, "ID3", 3) != 0) return 0;
    if ((h[6] | h[7] | h[8] | h[9]) & 0x80) return 0;
    const int64_t body = int64_t{h[6]} << 21 | int64_t{h[7]} << 14 | int64_t{h[8]} << 7 | h[9];
    return 10 + body + ((h[5] & 0x10) ? 10 : 0);
}

// 128 when the stream ends with an ID3v1 block, else 0.
int64_t TrailingTagBytes(TStream& stream) {
    const int64_t size = stream.Size();
    char tag[3] = {};
    if (size < 128) return 0;
    stream.SetPosition(size - 128);
    return stream.Read(tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0 ? 128 : 0;
}

// Whether the first frame at `at` is an information frame ("Xing" or "Info"), which gives the
// stream's frame count and makes the decoder's length exact.
bool InfoFrameAt(TStream& stream, int64_t at) {
    uint8_t h[4 + 2 + 32 + 4] = {};
    stream.SetPosition(at);
    if (stream.Read(h, sizeof h) != static_cast<int64_t>(sizeof h)) return false;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
    const bool mpeg1 = ((h[1] >> 3) & 3) == 3;
    const bool mono = (h[3] >> 6) == 3;
    const size_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const uint8_t* tag = h + 4 + ((h[1] & 1) == 0 ? 2 : 0) + sideInfo;
    return tag + 4 <= h + sizeof h && (std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0);
}

ssize_t ReadStream(void* handle, void* buffer, size_t bytes) {
    return static_cast<ssize_t>(static_cast<TStream*>(handle)->Read(buffer, static_cast<int64_t>(bytes)));
}

off_t SeekStream(void* handle, off_t offset, int whence) {
    const TSeekOrigin origin = whence == SEEK_SET ? soBeginning : whence == SEEK_CUR ? soCurrent : soEnd;
    return static_cast<off_t>(static_cast<TStream*>(handle)->Seek(offset, origin));
}

std::string Text(const mpg123_string* s) {
    return s && s->p && s->fill > 0 ? std::string(s->p, strnlen(s->p, s->fill)) : std::string();
}

} // namespace

struct TMP3In::TDecoder {
    mpg123_handle* handle = nullptr;
    ~TDecoder() {
        if (!handle) return;
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};

TMP3In::TMP3In(TComponent* AOwner) : TAuTaggedFileIn(AOwner) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { mpg123_init(); });
}

TMP3In::~TMP3In() {
    NotifyDestruction();
    std::lock_guard open(OpenCS);
    DoClose();
}

void TMP3In::DoOpen() {
    std::lock_guard open(OpenCS);
    if (FOpened) return;
    if (!FStream && FWideFileName.empty()) throw EAuException("File name is not assigned");
    if (!FStreamAssigned)
        OwnStream(std::make_unique<TAuFileStream>(FWideFileName, fmOpenRead | fmShareDenyWrite));
    FValid = false;
    const int64_t fileBytes = FStream->Size();
    const int64_t leading = LeadingTagBytes(*FStream);
    const int64_t tagBytes = leading + TrailingTagBytes(*FStream);
    const bool infoFrame = InfoFrameAt(*FStream, leading);
    FStream->SetPosition(0);

    auto decoder = std::make_unique<TDecoder>();
    int error = MPG123_OK;
    decoder->handle = mpg123_new(nullptr, &error);
    mpg123_handle* mh = decoder->handle;
    long rate = 0;
    int channels = 0, encoding = 0;
    mpg123_frameinfo info{};
    const bool opened =
        mh && mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0) == MPG123_OK &&
        mpg123_format_none(mh) == MPG123_OK &&
        mpg123_format2(mh, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK &&
        mpg123_replace_reader_handle(mh, ReadStream, SeekStream, nullptr) == MPG123_OK &&
        mpg123_open_handle(mh, FStream) == MPG123_OK &&
        mpg123_getformat(mh, &rate, &channels, &encoding) == MPG123_OK &&
        mpg123_info(mh, &info) == MPG123_OK && rate > 0 && channels > 0 && info.bitrate > 0;
    FOpened = 1;
    FDecoder = std::move(decoder);
    if (!opened) return;

    // The length comes from the headers: the Info/Xing frame's frame count, or for a constant bit
    // rate the audio's byte count. Without an information frame the decoder's own length is a
    // guess from the file size that overstates by about 0.23%. Nothing here walks the file.
    double seconds = 0;
    if (infoFrame)
        seconds = static_cast<double>(mpg123_length(mh)) / static_cast<double>(rate);
    else if (info.vbr == MPG123_CBR)
        seconds = static_cast<double>(fileBytes - tagBytes) * 8 / (info.bitrate * 1000.0);
    else
        seconds = static_cast<double>(std::max<off_t>(mpg123_length(mh), 0)) / static_cast<double>(rate);
    FBitrate = info.bitrate;
    FVBR = info.vbr != MPG123_CBR;
    FDuration = static_cast<uint32_t>(std::lround(std::max(seconds, 0.0) * 100));
    FSR = static_cast<uint32_t>(rate);
    FChan = static_cast<uint32_t>(channels);
    FBPS = 16;
    const int64_t samples = std::llround(FDuration / 100.0 * FSR) + FSR / 3; // a third of a second more
    FTotalSamples = samples;
    FSize = samples * FChan * 2;
    FSeekable = true;
    FValid = true;
    ReadTags();
}

void TMP3In::ReadTags() {
    FId3v2Tags.Clear();
    FCommonTags.Clear();
    mpg123_id3v1* v1 = nullptr;
    mpg123_id3v2* v2 = nullptr;
    if (mpg123_id3(FDecoder->handle, &v1, &v2) != MPG123_OK || !v2) return;
    FId3v2Tags.SetTitle(Text(v2->title));
    FId3v2Tags.SetArtist(Text(v2->artist));
    FId3v2Tags.SetAlbum(Text(v2->album));
    FId3v2Tags.SetGenre(Text(v2->genre));
    FId3v2Tags.SetYear(Text(v2->year));
    FCommonTags.Assign(FId3v2Tags);
}

void TMP3In::DoClose() {
    std::lock_guard open(OpenCS);
    if (!FOpened) return;
    FDecoder.reset();
    FOpened = 0;
    FreeOwnedStream();
    if (FStream) FStream->SetPosition(0);
}

bool TMP3In::DoSeek(int64_t SampleNum) {
    if (!Busy || !FDecoder || !FDecoder->handle) return false;
    return mpg123_seek(FDecoder->handle, static_cast<off_t>(SampleNum), SEEK_SET) >= 0;
}

void TMP3In::DoGetData(void*& Buffer, uint32_t& Bytes) {
    Buffer = nullptr;
    if (FSize > 0)
        Bytes = static_cast<uint32_t>(std::min<int64_t>(Bytes, std::max<int64_t>(FSize - FPosition, 0)));
    if (!FValid || !FDecoder || Bytes == 0) {
        Bytes = 0;
        return;
    }
    FBuffer.resize(Bytes);
    size_t done = 0;
    int result = MPG123_OK;
    do result = mpg123_read(FDecoder->handle, FBuffer.data(), FBuffer.size(), &done);
    while (result == MPG123_NEW_FORMAT && done == 0);
    Bytes = static_cast<uint32_t>(done);
    if (Bytes > 0) Buffer = FBuffer.data();
}

uint32_t TMP3In::Duration() {
    std::lock_guard open(OpenCS);
    DoOpen();
    return FDuration;
}

int32_t TMP3In::Bitrate() {
    std::lock_guard open(OpenCS);
    DoOpen();
    return FBitrate;
}

bool TMP3In::IsVBR() {
    std::lock_guard open(OpenCS);
    DoOpen();
    return FVBR;
}
