#pragma once
// Tag stores: the descriptive texts of an audio file as a small keyed store. Texts are UTF-8;
// a value remembers whether it is a narrow or a wide string, which decides how ID3v2 writes it.

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

struct TNarrowString {
    std::string text;
    bool operator==(const TNarrowString&) const = default;
};
struct TWideString {
    std::string text;
    bool operator==(const TWideString&) const = default;
};
using TTagValue = std::variant<std::monostate, int64_t, TNarrowString, TWideString>;

class TAuTags {
public:
    virtual ~TAuTags() = default;

    bool Empty() const { return FEmpty; }
    bool Changed() const { return FChanged; }
    int IdCount() const { return static_cast<int>(FValues.size()); }

    // The id at that position of the sorted list; empty when out of range.
    std::string GetId(int Index) const;
    TTagValue GetValue(const std::string& Id) const;
    // Only registered ids take a value; a different value clears Empty and sets Changed.
    void SetValue(const std::string& Id, const TTagValue& Value);
    int64_t GetAsInteger(const std::string& Id) const;
    std::string GetAsString(const std::string& Id) const;
    std::string GetAsWideString(const std::string& Id) const;
    void Clear();
    // Clears, then takes every value of Source whose id this store knows.
    void Assign(const TAuTags& Source);
    void AssignTo(TAuTags& Dest) const { Dest.Assign(*this); }

    // On an open file descriptor. The base versions only answer whether the descriptor is valid.
    virtual bool Presents(int InFile) const;
    virtual bool ReadFromFile(int InFile);
    virtual bool WriteToFile(int OutFile, bool Unicode) const;

protected:
    TAuTags() = default;
    void Register(const std::string& Id, TTagValue Initial = {});

private:
    struct TEntry {
        std::string id;
        TTagValue value;
    };
    const TEntry* Find(const std::string& Id) const;
    TEntry* Find(const std::string& Id);

    std::vector<TEntry> FValues; // sorted by id, ignoring case
    bool FEmpty = true;
    bool FChanged = false;
};

using TId3v1TagsGenreId = uint8_t;

// The 148 genre names of ID3v1 with the common extensions; 12 is "Other".
extern const std::array<const char*, 148> Id3v1Genres;
// A genre byte outside the list: tag readers then show no genre (0 would read as "Blues").
constexpr TId3v1TagsGenreId Id3v1NoGenre = 255;

class TId3v1Tags : public TAuTags {
public:
    TId3v1Tags();

    std::string Title() const { return GetAsString("title"); }
    void SetTitle(const std::string& v) { SetValue("title", TNarrowString{v}); }
    std::string Artist() const { return GetAsString("artist"); }
    void SetArtist(const std::string& v) { SetValue("artist", TNarrowString{v}); }
    std::string Album() const { return GetAsString("album"); }
    void SetAlbum(const std::string& v) { SetValue("album", TNarrowString{v}); }
    std::string Comment() const { return GetAsString("comment"); }
    void SetComment(const std::string& v) { SetValue("comment", TNarrowString{v}); }
    uint16_t Year() const { return static_cast<uint16_t>(GetAsInteger("year")); }
    void SetYear(uint16_t v) { SetValue("year", int64_t{v}); }
    uint8_t Track() const { return static_cast<uint8_t>(GetAsInteger("track")); }
    void SetTrack(uint8_t v) { SetValue("track", int64_t{v}); }
    // 148 or more reads as 12.
    TId3v1TagsGenreId GenreId() const;
    void SetGenreId(TId3v1TagsGenreId v) { SetValue("genre", int64_t{v}); }
    std::string Genre() const { return Id3v1Genres[GenreId()]; }
    // The first name equal to the trimmed text, ignoring case; no match leaves the genre alone.
    void SetGenre(const std::string& v);

    // The 128-byte block at the end of the file.
    bool Presents(int InFile) const override;
    bool ReadFromFile(int InFile) override;
    bool WriteToFile(int OutFile, bool Unicode) const override;
    // The block itself, as WriteToFile appends it.
    std::array<uint8_t, 128> Block() const;
    // The mark, title, artist, album, the given year text and the comment cut to commentBytes (28
    // leaves room for a track); the track and genre bytes are left zero for the writer's own rules.
    std::array<uint8_t, 128> TextBlock(size_t commentBytes, const std::string& year) const;
};

class TId3v2Tags : public TAuTags {
public:
    TId3v2Tags();

    // True: the four-letter frame ids (ID3v2.3 and later); false: the three-letter ones (ID3v2.2).
    bool FNew = true;

    std::string Album() const { return Text(0); }
    void SetAlbum(const std::string& v) { SetText(0, v); }
    std::string Artist() const { return Text(1); }
    void SetArtist(const std::string& v) { SetText(1, v); }
    std::string Genre() const { return Text(2); }
    void SetGenre(const std::string& v) { SetText(2, v); }
    std::string Title() const { return Text(3); }
    void SetTitle(const std::string& v) { SetText(3, v); }
    std::string Track() const { return Text(4); }
    void SetTrack(const std::string& v) { SetText(4, v); }
    std::string Year() const { return Text(5); }
    void SetYear(const std::string& v) { SetText(5, v); }
    std::string Comment() const { return Text(6); }
    void SetComment(const std::string& v) { SetText(6, v); }
    std::string Composer() const { return Text(7); }
    void SetComposer(const std::string& v) { SetText(7, v); }
    std::string Encoder() const { return Text(8); }
    void SetEncoder(const std::string& v) { SetText(8, v); }
    std::string Copyright() const { return Text(9); }
    void SetCopyright(const std::string& v) { SetText(9, v); }
    std::string Language() const { return Text(10); }
    void SetLanguage(const std::string& v) { SetText(10, v); }
    std::string Link() const { return Text(11); }
    void SetLink(const std::string& v) { SetText(11, v); }

    // The tag at the start of the file.
    bool Presents(int InFile) const override;
    bool ReadFromFile(int InFile) override;
    // Inserts a version-4 tag at the front of the file, in place of any tag already there.
    bool WriteToFile(int OutFile, bool Unicode) const override;
    // The tag itself, as WriteToFile inserts it.
    std::vector<uint8_t> Block(bool Unicode) const;

    struct TFrameIds {
        const char* oldId; // three letters
        const char* newId; // four letters
        bool narrow;       // Year and Track are narrow strings
    };
    static const std::array<TFrameIds, 12> Frames;

private:
    std::string Text(int index) const;
    void SetText(int index, const std::string& value);
};

// Typed properties over a narrow or a wide string id.
#define SARVO_NARROW_TAG(Name, Id)                                                                           \
    std::string Name() const { return GetAsString(Id); }                                                     \
    void Set##Name(const std::string& v) { SetValue(Id, TNarrowString{v}); }
#define SARVO_WIDE_TAG(Name, Id)                                                                             \
    std::string Name() const { return GetAsWideString(Id); }                                                 \
    void Set##Name(const std::string& v) { SetValue(Id, TWideString{v}); }

// Each store's ids, listed once: X(NARROW or WIDE, property, id). The ids are registered in this
// order, and each gives its typed property.
#define SARVO_APEV2_TAGS(X)                                                                                  \
    X(WIDE, Artist, "Artist")                                                                                \
    X(WIDE, Composer, "Composer")                                                                            \
    X(WIDE, Album, "Album")                                                                                  \
    X(WIDE, DebutAlbum, "Debut album")                                                                       \
    X(WIDE, Publisher, "Publisher")                                                                          \
    X(WIDE, Conductor, "Conductor")                                                                          \
    X(WIDE, Copyright, "Copyright")                                                                          \
    X(NARROW, ISBN, "ISBN")                                                                                  \
    X(NARROW, ISRC, "ISRC")                                                                                  \
    X(NARROW, BarCode, "EAN/UPC")                                                                            \
    X(NARROW, LabelCode, "LC")                                                                               \
    X(NARROW, Catalog, "Catalog")                                                                            \
    X(WIDE, Language, "Language")                                                                            \
    X(WIDE, Genre, "Genre")                                                                                  \
    X(NARROW, Year, "Year")                                                                                  \
    X(NARROW, RecordDate, "Record Date")                                                                     \
    X(WIDE, RecordLocation, "Record Location")                                                               \
    X(WIDE, File_, "File")                                                                                   \
    X(WIDE, Related, "Related")                                                                              \
    X(WIDE, Abstract, "Abstract")                                                                            \
    X(WIDE, Bibliography, "Bibliography")                                                                    \
    X(NARROW, Track, "Track")                                                                                \
    X(WIDE, Title, "Title")                                                                                  \
    X(WIDE, SubTitle, "Subtitle")                                                                            \
    X(WIDE, Comment, "Comment")

#define SARVO_COMMON_TAGS(X)                                                                                 \
    X(WIDE, Title, "Title")                                                                                  \
    X(WIDE, Album, "Album")                                                                                  \
    X(WIDE, Artist, "Artist")                                                                                \
    X(WIDE, Genre, "Genre")                                                                                  \
    X(NARROW, Year, "Year")                                                                                  \
    X(NARROW, Track, "Track")

#define SARVO_TAG_PROPERTY(Kind, Name, Id) SARVO_##Kind##_TAG(Name, Id)
#define SARVO_TAG_ID(Kind, Name, Id) Id,

class TAPEv2Tags : public TAuTags {
public:
    TAPEv2Tags();

    static constexpr std::array Ids{SARVO_APEV2_TAGS(SARVO_TAG_ID)};
    SARVO_APEV2_TAGS(SARVO_TAG_PROPERTY)
};

class TCommonTags : public TAuTags {
public:
    TCommonTags();

    static constexpr std::array Ids{SARVO_COMMON_TAGS(SARVO_TAG_ID)};
    SARVO_COMMON_TAGS(SARVO_TAG_PROPERTY)
};

#undef SARVO_TAG_ID
#undef SARVO_TAG_PROPERTY
#undef SARVO_COMMON_TAGS
#undef SARVO_APEV2_TAGS
#undef SARVO_NARROW_TAG
#undef SARVO_WIDE_TAG

// UTF-8 to Latin-1 (characters beyond it become '?') and back.
std::string Utf8ToLatin1(const std::string& text);
std::string Latin1ToUtf8(const std::string& text);
