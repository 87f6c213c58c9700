#include "AuTags.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && !LessIgnoringCase(a, b) && !LessIgnoringCase(b, a);
}

std::string Trim(const std::string& text) {
    const auto isBlank = [](unsigned char c) { return c == 0 || std::isspace(c); };
    auto begin = std::find_if_not(text.begin(), text.end(), isBlank);
    auto end = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(begin), isBlank).base();
    return std::string(begin, end);
}

bool ParseDecimal(const std::string& text, int64_t& value) {
    const std::string trimmed = Trim(text);
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last && first != last;
}

// Reads exactly Count bytes at Offset; false on a short read.
bool ReadAt(int fd, void* buffer, size_t count, off_t offset) {
    size_t total = 0;
    while (total < count) {
        const ssize_t n =
            pread(fd, static_cast<char*>(buffer) + total, count - total, offset + static_cast<off_t>(total));
        if (n <= 0) return false;
        total += static_cast<size_t>(n);
    }
    return true;
}

bool WriteAt(int fd, const void* buffer, size_t count, off_t offset) {
    size_t total = 0;
    while (total < count) {
        const ssize_t n = pwrite(fd, static_cast<const char*>(buffer) + total, count - total,
                                 offset + static_cast<off_t>(total));
        if (n <= 0) return false;
        total += static_cast<size_t>(n);
    }
    return true;
}

off_t FileSize(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 ? info.st_size : -1;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Text conversions

std::string Utf8ToLatin1(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80             ? 1
                              : (lead & 0xE0) == 0xC0 ? 2
                              : (lead & 0xF0) == 0xE0 ? 3
                              : (lead & 0xF8) == 0xF0 ? 4
                                                      : 0;
        if (length == 1) {
            out += static_cast<char>(lead);
        } else if (length == 2 && i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            const uint32_t code = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            out += code <= 0xFF ? static_cast<char>(code) : '?';
        } else {
            out += '?';
        }
        i += std::max<size_t>(1, std::min(length, text.size() - i));
    }
    return out;
}

std::string Latin1ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// TAuTags

void TAuTags::Register(const std::string& Id, TTagValue Initial) {
    const auto at =
        std::lower_bound(FValues.begin(), FValues.end(), Id,
                         [](const TEntry& e, const std::string& id) { return LessIgnoringCase(e.id, id); });
    if (at != FValues.end() && EqualIgnoringCase(at->id, Id)) return;
    FValues.insert(at, TEntry{Id, std::move(Initial)});
}

const TAuTags::TEntry* TAuTags::Find(const std::string& Id) const {
    const auto at =
        std::lower_bound(FValues.begin(), FValues.end(), Id,
                         [](const TEntry& e, const std::string& id) { return LessIgnoringCase(e.id, id); });
    return at != FValues.end() && EqualIgnoringCase(at->id, Id) ? &*at : nullptr;
}

TAuTags::TEntry* TAuTags::Find(const std::string& Id) {
    return const_cast<TEntry*>(static_cast<const TAuTags*>(this)->Find(Id));
}

std::string TAuTags::GetId(int Index) const {
    return Index >= 0 && Index < IdCount() ? FValues[static_cast<size_t>(Index)].id : std::string();
}

TTagValue TAuTags::GetValue(const std::string& Id) const {
    const TEntry* entry = Find(Id);
    return entry ? entry->value : TTagValue{};
}

void TAuTags::SetValue(const std::string& Id, const TTagValue& Value) {
    TEntry* entry = Find(Id);
    if (!entry || entry->value == Value) return;
    entry->value = Value;
    FEmpty = false;
    FChanged = true;
}

int64_t TAuTags::GetAsInteger(const std::string& Id) const {
    const TTagValue value = GetValue(Id);
    if (const auto* number = std::get_if<int64_t>(&value)) return *number;
    int64_t parsed = 0;
    const std::string text = GetAsString(Id);
    return ParseDecimal(text, parsed) ? parsed : 0;
}

std::string TAuTags::GetAsString(const std::string& Id) const {
    const TTagValue value = GetValue(Id);
    if (const auto* number = std::get_if<int64_t>(&value)) return std::to_string(*number);
    if (const auto* narrow = std::get_if<TNarrowString>(&value)) return narrow->text;
    if (const auto* wide = std::get_if<TWideString>(&value)) return wide->text;
    return {};
}

std::string TAuTags::GetAsWideString(const std::string& Id) const { return GetAsString(Id); }

void TAuTags::Clear() {
    for (TEntry& entry : FValues) entry.value = std::monostate{};
    FEmpty = true;
    FChanged = true;
}

void TAuTags::Assign(const TAuTags& Source) {
    if (&Source == this) return;
    Clear();
    for (const TEntry& entry : Source.FValues) SetValue(entry.id, entry.value);
}

bool TAuTags::Presents(int InFile) const { return fcntl(InFile, F_GETFD) != -1; }

bool TAuTags::ReadFromFile(int InFile) {
    Clear();
    return fcntl(InFile, F_GETFD) != -1;
}

bool TAuTags::WriteToFile(int OutFile, bool /*Unicode*/) const { return fcntl(OutFile, F_GETFD) != -1; }

// ---------------------------------------------------------------------------------------------
// TId3v1Tags

// clang-format off: the names stand ten or so to a line, as they are usually listed
const std::array<const char*, 148> Id3v1Genres = {"Blues",
                                                  "Classic Rock",
                                                  "Country",
                                                  "Dance",
                                                  "Disco",
                                                  "Funk",
                                                  "Grunge",
                                                  "Hip-Hop",
                                                  "Jazz",
                                                  "Metal",
                                                  "New Age",
                                                  "Oldies",
                                                  "Other",
                                                  "Pop",
                                                  "R&B",
                                                  "Rap",
                                                  "Reggae",
                                                  "Rock",
                                                  "Techno",
                                                  "Industrial",
                                                  "Alternative",
                                                  "Ska",
                                                  "Death Metal",
                                                  "Pranks",
                                                  "Soundtrack",
                                                  "Euro-Techno",
                                                  "Ambient",
                                                  "Trip-Hop",
                                                  "Vocal",
                                                  "Jazz+Funk",
                                                  "Fusion",
                                                  "Trance",
                                                  "Classical",
                                                  "Instrumental",
                                                  "Acid",
                                                  "House",
                                                  "Game",
                                                  "Sound Clip",
                                                  "Gospel",
                                                  "Noise",
                                                  "AlternRock",
                                                  "Bass",
                                                  "Soul",
                                                  "Punk",
                                                  "Space",
                                                  "Meditative",
                                                  "Instrumental Pop",
                                                  "Instrumental Rock",
                                                  "Ethnic",
                                                  "Gothic",
                                                  "Darkwave",
                                                  "Techno-Industrial",
                                                  "Electronic",
                                                  "Pop-Folk",
                                                  "Eurodance",
                                                  "Dream",
                                                  "Southern Rock",
                                                  "Comedy",
                                                  "Cult",
                                                  "Gangsta",
                                                  "Top 40",
                                                  "Christian Rap",
                                                  "Pop/Funk",
                                                  "Jungle",
                                                  "Native American",
                                                  "Cabaret",
                                                  "New Wave",
                                                  "Psychadelic",
                                                  "Rave",
                                                  "Showtunes",
                                                  "Trailer",
                                                  "Lo-Fi",
                                                  "Tribal",
                                                  "Acid Punk",
                                                  "Acid Jazz",
                                                  "Polka",
                                                  "Retro",
                                                  "Musical",
                                                  "Rock & Roll",
                                                  "Hard Rock",
                                                  "Folk",
                                                  "Folk-Rock",
                                                  "National Folk",
                                                  "Swing",
                                                  "Fast Fusion",
                                                  "Bebob",
                                                  "Latin",
                                                  "Revival",
                                                  "Celtic",
                                                  "Bluegrass",
                                                  "Avantgarde",
                                                  "Gothic Rock",
                                                  "Progressive Rock",
                                                  "Psychedelic Rock",
                                                  "Symphonic Rock",
                                                  "Slow Rock",
                                                  "Big Band",
                                                  "Chorus",
                                                  "Easy Listening",
                                                  "Acoustic",
                                                  "Humour",
                                                  "Speech",
                                                  "Chanson",
                                                  "Opera",
                                                  "Chamber Music",
                                                  "Sonata",
                                                  "Symphony",
                                                  "Booty Bass",
                                                  "Primus",
                                                  "Porn Groove",
                                                  "Satire",
                                                  "Slow Jam",
                                                  "Club",
                                                  "Tango",
                                                  "Samba",
                                                  "Folklore",
                                                  "Ballad",
                                                  "Power Ballad",
                                                  "Rhythmic Soul",
                                                  "Freestyle",
                                                  "Duet",
                                                  "Punk Rock",
                                                  "Drum Solo",
                                                  "A capella",
                                                  "Euro-House",
                                                  "Dance Hall",
                                                  "Goa",
                                                  "Drum & Bass",
                                                  "Club-House",
                                                  "Hardcore",
                                                  "Terror",
                                                  "Indie",
                                                  "BritPop",
                                                  "Negerpunk",
                                                  "Polsk Punk",
                                                  "Beat",
                                                  "Christian Gangsta Rap",
                                                  "Heavy Metal",
                                                  "Black Metal",
                                                  "Crossover",
                                                  "Contemporary Christian",
                                                  "Christian Rock",
                                                  "Merengue",
                                                  "Salsa",
                                                  "Thrash Metal",
                                                  "Anime",
                                                  "JPop",
                                                  "Synthpop"};
// clang-format on

TId3v1Tags::TId3v1Tags() {
    Register("artist");
    Register("album");
    Register("genre", int64_t{12});
    Register("year");
    Register("track");
    Register("title");
    Register("comment");
}

TId3v1TagsGenreId TId3v1Tags::GenreId() const {
    const int64_t id = GetAsInteger("genre");
    return static_cast<TId3v1TagsGenreId>(id >= 0 && id < 148 ? id : 12);
}

void TId3v1Tags::SetGenre(const std::string& v) {
    const std::string name = Trim(v);
    for (size_t i = 0; i < Id3v1Genres.size(); ++i)
        if (EqualIgnoringCase(name, Id3v1Genres[i])) {
            SetGenreId(static_cast<TId3v1TagsGenreId>(i));
            return;
        }
}

bool TId3v1Tags::Presents(int InFile) const {
    char mark[3] = {};
    const off_t size = FileSize(InFile);
    return size >= 128 && ReadAt(InFile, mark, 3, size - 128) && std::memcmp(mark, "TAG", 3) == 0;
}

bool TId3v1Tags::ReadFromFile(int InFile) {
    Clear();
    std::array<uint8_t, 128> block{};
    const off_t size = FileSize(InFile);
    if (size < 128 || !ReadAt(InFile, block.data(), block.size(), size - 128) ||
        std::memcmp(block.data(), "TAG", 3) != 0)
        return false;
    const auto field = [&block](size_t offset, size_t length) {
        const std::string raw(reinterpret_cast<const char*>(block.data() + offset), length);
        return Latin1ToUtf8(Trim(raw.substr(0, raw.find('\0'))));
    };
    SetTitle(field(3, 30));
    SetArtist(field(33, 30));
    SetAlbum(field(63, 30));
    int64_t year = 0;
    ParseDecimal(std::string(reinterpret_cast<const char*>(block.data() + 93), 4), year);
    SetYear(static_cast<uint16_t>(year));
    const bool version11 = (block[125] == 0 || block[125] == ' ') && block[126] != 0;
    SetComment(field(97, version11 ? 28 : 30));
    SetTrack(version11 ? block[126] : 0);
    SetGenreId(block[127]);
    return true;
}

std::array<uint8_t, 128> TId3v1Tags::TextBlock(size_t commentBytes, const std::string& year) const {
    std::array<uint8_t, 128> block{};
    std::memcpy(block.data(), "TAG", 3);
    const auto put = [&block](size_t offset, size_t length, const std::string& text) {
        const std::string latin = Utf8ToLatin1(text);
        std::memcpy(block.data() + offset, latin.data(), std::min(length, latin.size()));
    };
    put(3, 30, Title());
    put(33, 30, Artist());
    put(63, 30, Album());
    put(93, 4, year);
    put(97, commentBytes, Comment());
    return block;
}

std::array<uint8_t, 128> TId3v1Tags::Block() const {
    std::array<uint8_t, 128> block =
        TextBlock(Track() != 0 ? 28 : 30, Year() != 0 ? std::to_string(Year()) : std::string());
    if (Track() != 0) block[126] = Track();
    block[127] = GenreId();
    return block;
}

bool TId3v1Tags::WriteToFile(int OutFile, bool /*Unicode*/) const {
    const off_t size = FileSize(OutFile);
    const std::array<uint8_t, 128> block = Block();
    return size >= 0 && WriteAt(OutFile, block.data(), block.size(), size);
}

// ---------------------------------------------------------------------------------------------
// TId3v2Tags

const std::array<TId3v2Tags::TFrameIds, 12> TId3v2Tags::Frames = {{
    {"TAL", "TALB", false},
    {"TP1", "TPE1", false},
    {"TCO", "TCON", false},
    {"TT2", "TIT2", false},
    {"TRK", "TRCK", true},
    {"TYE", "TYER", true},
    {"COM", "COMM", false},
    {"TCM", "TCOM", false},
    {"TEN", "TENC", false},
    {"TCR", "TCOP", false},
    {"TLA", "TLAN", false},
    {"WXX", "WXXX", false},
}};

TId3v2Tags::TId3v2Tags() {
    for (const TFrameIds& frame : Frames) {
        Register(frame.oldId);
        Register(frame.newId);
    }
}

std::string TId3v2Tags::Text(int index) const {
    const TFrameIds& frame = Frames[static_cast<size_t>(index)];
    return GetAsString(FNew ? frame.newId : frame.oldId);
}

void TId3v2Tags::SetText(int index, const std::string& value) {
    const TFrameIds& frame = Frames[static_cast<size_t>(index)];
    const std::string id = FNew ? frame.newId : frame.oldId;
    if (frame.narrow)
        SetValue(id, TNarrowString{value});
    else
        SetValue(id, TWideString{value});
}

namespace {

// Sizes in the tag header (and in ID3v2.4 frame headers) use seven bits a byte, so that no size
// holds an FF byte a player could take for the start of an MPEG frame.
uint32_t SyncSafe(const uint8_t* p) {
    return (uint32_t{p[0]} << 21) | (uint32_t{p[1]} << 14) | (uint32_t{p[2]} << 7) | uint32_t{p[3]};
}

uint32_t BigEndian(const uint8_t* p, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | p[i];
    return value;
}

void PutSyncSafe(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<uint8_t>((value >> shift) & 0x7F));
}

// Undoes the unsynchronisation scheme: every FF 00 pair stands for FF.
std::vector<uint8_t> Resynchronise(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    out.reserve(data.size());
    for (size_t i = 0; i < data.size(); ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && i + 1 < data.size() && data[i + 1] == 0) ++i;
    }
    return out;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string Utf16ToUtf8(const uint8_t* p, size_t length, bool bigEndian) {
    if (length >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        bigEndian = p[0] == 0xFE;
        p += 2;
        length -= 2;
    }
    std::string out;
    for (size_t i = 0; i + 1 < length; i += 2) {
        uint32_t unit = bigEndian ? (uint32_t{p[i]} << 8 | p[i + 1]) : (uint32_t{p[i + 1]} << 8 | p[i]);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < length) {
            const uint32_t low =
                bigEndian ? (uint32_t{p[i + 2]} << 8 | p[i + 3]) : (uint32_t{p[i + 3]} << 8 | p[i + 2]);
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return out;
}

// The length of a string in the given encoding up to (not counting) its terminator.
size_t TerminatedLength(const uint8_t* p, size_t length, uint8_t encoding) {
    if (encoding == 1 || encoding == 2) {
        for (size_t i = 0; i + 1 < length; i += 2)
            if (p[i] == 0 && p[i + 1] == 0) return i;
        return length;
    }
    const void* zero = std::memchr(p, 0, length);
    return zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : length;
}

std::string DecodeText(const uint8_t* p, size_t length, uint8_t encoding) {
    length = TerminatedLength(p, length, encoding);
    switch (encoding) {
    case 0:
        return Latin1ToUtf8(std::string(reinterpret_cast<const char*>(p), length));
    case 1:
    case 2:
        return Utf16ToUtf8(p, length, encoding == 2);
    default:
        return std::string(reinterpret_cast<const char*>(p), length);
    }
}

size_t TerminatorSize(uint8_t encoding) { return encoding == 1 || encoding == 2 ? 2 : 1; }

// The text a frame carries: text frames hold it after the encoding byte, comments after a
// language and a description, links after a description.
std::string FrameText(const std::string& id, const uint8_t* p, size_t length) {
    if (length < 1) return {};
    const uint8_t encoding = p[0];
    ++p;
    --length;
    if (id[0] == 'C') { // COM / COMM
        if (length < 3) return {};
        p += 3;
        length -= 3;
    }
    if (id[0] == 'C' || id[0] == 'W') {
        const size_t skip =
            std::min(length, TerminatedLength(p, length, encoding) + TerminatorSize(encoding));
        p += skip;
        length -= skip;
        if (id[0] == 'W') return DecodeText(p, length, 0);
    }
    return DecodeText(p, length, encoding);
}

struct TId3v2Header {
    uint8_t version = 0;
    uint8_t flags = 0;
    uint32_t size = 0; // after the header
};

bool ReadId3v2Header(int fd, TId3v2Header& header) {
    uint8_t h[10];
    if (!ReadAt(fd, h, sizeof h, 0) || std::memcmp(h, "ID3", 3) != 0) return false;
    static constexpr uint8_t allowedFlags[] = {0, 0, 0xC0, 0xE0, 0xF0};
    if (h[3] < 2 || h[3] > 4 || h[4] == 0xFF || (h[5] & ~allowedFlags[h[3]]) != 0) return false;
    if ((h[6] | h[7] | h[8] | h[9]) & 0x80) return false;
    header = {h[3], h[5], SyncSafe(h + 6)};
    return true;
}

// Shifts everything from offset `from` to the end of the file so that it starts at `to`.
bool MoveTail(int fd, off_t from, off_t to, off_t size) {
    if (from == to) return true;
    std::vector<uint8_t> chunk(1 << 16);
    const off_t length = size - from;
    for (off_t done = 0; done < length;) {
        const off_t n = std::min<off_t>(static_cast<off_t>(chunk.size()), length - done);
        // Moving back works from the end, moving forward from the start, so nothing is overwritten early.
        const off_t offset = to > from ? length - done - n : done;
        if (!ReadAt(fd, chunk.data(), static_cast<size_t>(n), from + offset) ||
            !WriteAt(fd, chunk.data(), static_cast<size_t>(n), to + offset))
            return false;
        done += n;
    }
    return to >= from || ftruncate(fd, to + length) == 0;
}

} // namespace

bool TId3v2Tags::Presents(int InFile) const {
    TId3v2Header header;
    return ReadId3v2Header(InFile, header);
}

bool TId3v2Tags::ReadFromFile(int InFile) {
    Clear();
    TId3v2Header header;
    if (!ReadId3v2Header(InFile, header)) return false;
    FNew = header.version != 2;
    const off_t fileSize = FileSize(InFile);
    const size_t size = static_cast<size_t>(std::clamp<off_t>(fileSize - 10, 0, header.size));
    std::vector<uint8_t> data(size);
    if (!ReadAt(InFile, data.data(), size, 10)) return false;
    if (header.version <= 3 && (header.flags & 0x80)) data = Resynchronise(data);

    size_t pos = 0;
    if (header.flags & 0x40 && header.version >= 3 && data.size() >= 4)
        pos = header.version == 3 ? 4 + BigEndian(data.data(), 4) : SyncSafe(data.data());
    const size_t headerSize = header.version == 2 ? 6 : 10;
    while (pos + headerSize <= data.size() && data[pos] != 0) {
        const uint8_t* frame = data.data() + pos;
        const std::string id(reinterpret_cast<const char*>(frame), header.version == 2 ? 3 : 4);
        const uint32_t frameSize = header.version == 2   ? BigEndian(frame + 3, 3)
                                   : header.version == 3 ? BigEndian(frame + 4, 4)
                                                         : SyncSafe(frame + 4);
        if (frameSize > data.size() - pos - headerSize) break;
        std::vector<uint8_t> body(frame + headerSize, frame + headerSize + frameSize);
        pos += headerSize + frameSize;

        const uint8_t format = header.version == 2 ? 0 : frame[9];
        const bool packed = header.version == 3 ? (format & 0xC0) != 0 : (format & 0x0C) != 0;
        if (packed) continue; // compressed or encrypted frames are not read
        size_t skip = 0;
        if (header.version == 3 && (format & 0x20)) skip = 1;
        if (header.version == 4) skip = ((format & 0x40) ? 1 : 0) + ((format & 0x01) ? 4 : 0);
        if (header.version == 4 && (format & 0x02)) body = Resynchronise(body);
        if (skip > body.size()) continue;

        for (const TFrameIds& known : Frames) {
            if (id != (FNew ? known.newId : known.oldId)) continue;
            const std::string text = FrameText(id, body.data() + skip, body.size() - skip);
            if (known.narrow)
                SetValue(id, TNarrowString{text});
            else
                SetValue(id, TWideString{text});
        }
    }
    return true;
}

std::vector<uint8_t> TId3v2Tags::Block(bool Unicode) const {
    std::vector<uint8_t> frames;
    for (const TFrameIds& frame : Frames) {
        const std::string id = frame.newId;
        // A comment frame needs a language and a description this store does not keep: it is
        // read, never written.
        if (id == "COMM") continue;
        const TTagValue value = GetValue(id);
        const std::string text = GetAsString(id);
        if (text.empty()) continue;
        const bool utf8 = Unicode && std::holds_alternative<TWideString>(value) && id != "WXXX";
        std::vector<uint8_t> body{static_cast<uint8_t>(utf8 ? 3 : 0)};
        if (id == "WXXX") body.push_back(0); // an empty description before the address
        const std::string encoded = utf8 ? text : Utf8ToLatin1(text);
        body.insert(body.end(), encoded.begin(), encoded.end());
        frames.insert(frames.end(), id.begin(), id.end());
        PutSyncSafe(frames, static_cast<uint32_t>(body.size()));
        frames.push_back(0);
        frames.push_back(0);
        frames.insert(frames.end(), body.begin(), body.end());
    }
    const size_t padding = 16 - (10 + frames.size()) % 16;
    std::vector<uint8_t> tag{'I', 'D', '3', 4, 0, 0};
    PutSyncSafe(tag, static_cast<uint32_t>(frames.size() + padding));
    tag.insert(tag.end(), frames.begin(), frames.end());
    tag.resize(tag.size() + padding, 0);
    return tag;
}

bool TId3v2Tags::WriteToFile(int OutFile, bool Unicode) const {
    const off_t size = FileSize(OutFile);
    if (size < 0) return false;
    TId3v2Header old;
    off_t oldLength = 0;
    if (ReadId3v2Header(OutFile, old))
        oldLength = std::min<off_t>(size, 10 + off_t{old.size} + ((old.flags & 0x10) ? 10 : 0));
    const std::vector<uint8_t> tag = Block(Unicode);
    return MoveTail(OutFile, oldLength, static_cast<off_t>(tag.size()), size) &&
           WriteAt(OutFile, tag.data(), tag.size(), 0);
}

// ---------------------------------------------------------------------------------------------
// TAPEv2Tags and TCommonTags

TAPEv2Tags::TAPEv2Tags() {
    for (const char* id : Ids) Register(id);
}

TCommonTags::TCommonTags() {
    for (const char* id : Ids) Register(id, TWideString{});
}
