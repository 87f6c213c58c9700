// The picture list and its byte format.

#include "wydPngList.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <functional>
#include <vector>

namespace {

QImage Picture(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    image.setPixel(0, 0, qRgba(1, 2, 3, 4));
    return image;
}

TwydPng Named(const QImage& image, const QString& name) {
    TwydPng item;
    item.Png = image;
    item.Name = name;
    return item;
}

QByteArray Saved(TwydPngListe& list) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    list.SaveToStream(buffer);
    return buffer.data();
}

std::string LoadError(TwydPngListe& list, QByteArray bytes, qint64 position = 0) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(position);
    try {
        list.LoadFromStream(buffer);
    } catch (const EwydPngListe& e) {
        return e.what();
    }
    return "no exception";
}

QByteArray Int32(int32_t v) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<qint32>(v, bytes.data());
    return bytes;
}

QByteArray PngBytes(const QImage& image) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

const QByteArray Header = QByteArray::fromHex("62021100");

// Three pictures: unnamed, a plain name, and a name with accents and an emoji.
struct ThreeItems : testing::Test {
    void SetUp() override {
        const TwydPng a = Named(Picture(64, 59, qRgba(200, 10, 10, 255)), "");
        const TwydPng b = Named(Picture(20, 20, qRgba(0, 128, 0, 128)), "Vintage-Skin");
        const TwydPng c = Named(Picture(32, 32, qRgba(0, 0, 255, 255)), "Été 🎵");
        list.Add(&a);
        list.Add(&b);
        list.Add(&c);
        list.SetOnChange([this](QObject* sender) {
            EXPECT_EQ(sender, &list);
            ++changes;
        });
    }
    TwydPngListe list;
    int changes = 0;
};

} // namespace

TEST(PngListFormat, AnEmptyListIsEightBytesAndStoresNothing) {
    TwydPngListe list;
    EXPECT_EQ(Saved(list), QByteArray::fromHex("6202110000000000"));
    EXPECT_FALSE(list.HasPngs());
}

TEST_F(ThreeItems, SavingThenLoadingKeepsCountOrderNamesAndPixels) {
    const QByteArray bytes = Saved(list);
    EXPECT_EQ(bytes.left(8), Header + Int32(3));
    TwydPngListe copy;
    EXPECT_EQ(LoadError(copy, bytes, bytes.size() / 2), "no exception") << "loading starts at offset 0";
    ASSERT_EQ(copy.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(copy.GetPng(i)->Name, list.GetPng(i)->Name);
        EXPECT_EQ(copy.GetPng(i)->Png.convertToFormat(QImage::Format_ARGB32),
                  list.GetPng(i)->Png.convertToFormat(QImage::Format_ARGB32));
    }
    EXPECT_EQ(Saved(copy), bytes);
    // The name of item 1 follows its PNG as a count of UTF-16 units and the units themselves.
    const qsizetype first = PngBytes(list.GetPng(0)->Png).size();
    const qsizetype second = 8 + first + 4 + PngBytes(list.GetPng(1)->Png).size();
    EXPECT_EQ(bytes.mid(8 + first, 4), Int32(0));
    EXPECT_EQ(bytes.mid(second, 4), Int32(12));
    EXPECT_EQ(bytes.mid(second + 4, 4), QByteArray("V\0i\0", 4));
}

TEST_F(ThreeItems, AWrongSignatureEmptiesTheList) {
    EXPECT_EQ(LoadError(list, QByteArray::fromHex("6202110103000000")), "Format de fichier invalide");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(LoadError(list, QByteArray::fromHex("6202")), "Format de fichier invalide");
}

TEST(PngListFormat, CountsAndNameLengthsOfZeroOrLessReadNothing) {
    TwydPngListe list;
    EXPECT_EQ(LoadError(list, Header + Int32(0) + "trailing bytes"), "no exception");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(LoadError(list, Header + Int32(-7)), "no exception");
    EXPECT_EQ(list.Count(), 0);
    const QByteArray png = PngBytes(Picture(4, 4, qRgba(9, 9, 9, 255)));
    EXPECT_EQ(LoadError(list, Header + Int32(2) + png + Int32(-5) + png + Int32(1) + QByteArray("A\0", 2)),
              "no exception");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetPng(0)->Name, "");
    EXPECT_EQ(list.GetPng(1)->Name, "A");
}

TEST(PngListFormat, DamagedStreamsFailAndKeepTheItemsReadBefore) {
    const QByteArray png = PngBytes(Picture(8, 8, qRgba(1, 200, 3, 255)));
    const QByteArray good = Header + Int32(2) + png + Int32(0) + png + Int32(0);
    TwydPngListe list;
    QByteArray badCrc = good;
    badCrc[8 + png.size() + 4 + 29] = static_cast<char>(badCrc[8 + png.size() + 4 + 29] ^ 0xFF); // IHDR's CRC
    EXPECT_NE(LoadError(list, badCrc), "no exception");
    EXPECT_EQ(list.Count(), 1);

    EXPECT_NE(LoadError(list, Header + Int32(0x7FFFFFFF) + png + Int32(0)), "no exception")
        << "count past the end";
    EXPECT_EQ(list.Count(), 1);
    EXPECT_NE(LoadError(list, Header + Int32(1) + png + Int32(0x40000000)), "no exception")
        << "name past the end";
    EXPECT_EQ(list.Count(), 0);

    QByteArray huge = png;
    qToBigEndian<quint32>(40000, huge.data() + 16); // IHDR width and height
    qToBigEndian<quint32>(40000, huge.data() + 20);
    EXPECT_EQ(LoadError(list, Header + Int32(1) + huge + Int32(0)), "Image PNG trop grande")
        << "refused before the codec allocates 6 GB";

    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        const std::string error = LoadError(list, good.left(cut));
        EXPECT_NE(error, "no exception") << "cut at " << cut;
        EXPECT_LE(list.Count(), 1);
    }
}

TEST_F(ThreeItems, LookUpByNameAndIndex) {
    EXPECT_EQ(list.Getbyname("Vintage-Skin"), 1);
    EXPECT_EQ(list.Getbyname("vintage-skin"), -1);
    EXPECT_EQ(list.Getbyname(""), -1);
    EXPECT_EQ(list.Getbyname("Été 🎵"), 2);
    EXPECT_EQ(list.GetPng(-1), nullptr);
    EXPECT_EQ(list.GetPng(3), nullptr);
    EXPECT_FALSE(list.IsValid(-1));
    EXPECT_FALSE(list.IsValid(3));
    EXPECT_TRUE(list.IsValid(2));
    EXPECT_TRUE(list.IsValid("Vintage-Skin"));
    EXPECT_FALSE(list.IsValid("nobody"));
    const int32_t empty = list.Add(static_cast<const TwydPng*>(nullptr));
    EXPECT_EQ(empty, 3);
    EXPECT_FALSE(list.IsValid(empty));
    EXPECT_EQ(list.GetPng(empty)->Name, "");

    TwydPng copy;
    copy.Assign(list.GetPng(1));
    EXPECT_EQ(copy.Name, "Vintage-Skin");
    EXPECT_EQ(list.IndexOf(&copy), -1) << "identity, not content";
    EXPECT_EQ(list.IndexOf(list.GetPng(1)), 1);
    const QImage same = copy.Png;
    copy.Assign(&same);
    EXPECT_EQ(copy.Name, "") << "a bare picture empties the name";
}

TEST_F(ThreeItems, EditsNotifyOnceAndBadIndicesChangeNothing) {
    TwydPng item = Named(Picture(2, 2, qRgba(5, 5, 5, 255)), "new");
    list.Insert(3, &item);
    list.Rename(0, "first");
    list.Exchange(0, 1);
    list.Move(3, 0);
    list.Delete(1);
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(list.GetPng(0)->Name, "new");
    EXPECT_EQ(list.GetPng(1)->Name, "first");
    for (const auto& bad : std::vector<std::function<void()>>{
             [&] { list.Insert(5, &item); }, [&] { list.Delete(4); }, [&] { list.Rename(-1, "x"); },
             [&] { list.Exchange(0, 9); }, [&] { list.Move(9, 0); }, [&] { list.SetPng(-1, &item); }})
        EXPECT_THROW(bad(), EwydPngListe);
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(list.Count(), 3);

    try {
        list.SetPng(40, &item);
        ADD_FAILURE();
    } catch (const EwydPngListe& e) {
        EXPECT_STREQ(e.what(), "TwydPngListe - Indice hors limites.<40> [0-2]");
    }
    TwydPngListe empty;
    EXPECT_THROW(
        {
            try {
                empty.SetPng(0, &item);
            } catch (const EwydPngListe& e) {
                EXPECT_STREQ(e.what(), "TwydPngListe - Indice hors limites. (Aucun élément défini)");
                throw;
            }
        },
        EwydPngListe);
    list.SetPng(0, &item);
    EXPECT_EQ(changes, 6);
}

TEST_F(ThreeItems, ClearNotifiesTwiceAssignAndFileLoadOnce) {
    TwydPngListe other;
    other.Assign(&list);
    ASSERT_EQ(other.Count(), 3);
    EXPECT_NE(other.GetPng(0), list.GetPng(0)) << "the items are copies";
    changes = 0;
    list.Clear();
    EXPECT_EQ(changes, 2);

    changes = 0;
    list.Assign(&other);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.Getbyname("Vintage-Skin"), 1);

    QTemporaryDir dir;
    const QString file = dir.filePath("skin.png-list");
    other.SaveToFile(file);
    changes = 0;
    list.LoadFromFile(file);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.Count(), 3);

    EXPECT_THROW(list.LoadFromFile(dir.filePath("missing")), EwydPngListe);
    EXPECT_EQ(list.Count(), 3) << "a file that cannot be opened leaves the list as it was";
    EXPECT_THROW(list.SaveToFile(dir.filePath("no/such/folder/skin")), EwydPngListe);

    changes = 0;
    QBuffer stored;
    stored.open(QIODevice::ReadWrite);
    list.WritePngs(stored);
    EXPECT_EQ(changes, 1);
    list.ReadPngs(stored);
    EXPECT_EQ(list.Count(), 3);
}

namespace {

// A list and the same list at twice the size, saved beside it as "<file>@2x".
struct TwiceTheSize : testing::Test {
    void SetUp() override {
        single.Add(Picture(4, 3, qRgb(10, 20, 30)));
        single.Add(Picture(2, 2, qRgb(40, 50, 60)));
        single.Rename(1, "Vintage-Skin");
        twice.Add(Picture(8, 6, qRgb(11, 21, 31)));
        twice.Add(Picture(4, 4, qRgb(41, 51, 61)));
        twice.Rename(1, "Vintage-Skin");
        file = dir.filePath("Skin");
        single.SaveToFile(file);
    }
    // The 2× list of a fresh load of the file, after the given 2× file was written.
    const TwydPngListe* DoubleAfterSaving(TwydPngListe& doubleList) {
        doubleList.SaveToFile(file + "@2x");
        loaded.LoadWithDouble(file);
        return loaded.Double();
    }

    QTemporaryDir dir;
    QString file;
    TwydPngListe single, twice, loaded;
};

} // namespace

TEST_F(TwiceTheSize, LoadWithDoubleReadsTheFileBesideWhenFirstAskedFor) {
    loaded.LoadWithDouble(file);
    twice.SaveToFile(file + "@2x"); // written after the load: read only when asked for
    const TwydPngListe* found = loaded.Double();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Count(), 2);
    EXPECT_EQ(found->GetPng(0)->Png.pixel(1, 1), qRgb(11, 21, 31));
    EXPECT_EQ(loaded.Double(), found) << "read once";
    EXPECT_EQ(loaded.Count(), 2) << "the list itself is the 1× file";
    EXPECT_EQ(loaded.GetPng(0)->Png.size(), QSize(4, 3));
}

TEST_F(TwiceTheSize, AMissingBrokenOrMismatchedFileGivesNoneAndNoError) {
    loaded.LoadWithDouble(file);
    EXPECT_EQ(loaded.Double(), nullptr) << "no file";

    QFile broken(file + "@2x");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture list");
    broken.close();
    loaded.LoadWithDouble(file);
    EXPECT_EQ(loaded.Double(), nullptr) << "not a list";

    TwydPngListe shortList;
    shortList.Assign(&twice);
    shortList.Delete(1);
    EXPECT_EQ(DoubleAfterSaving(shortList), nullptr) << "fewer pictures";

    TwydPngListe renamed;
    renamed.Assign(&twice);
    renamed.Rename(1, "Modern-Skin");
    EXPECT_EQ(DoubleAfterSaving(renamed), nullptr) << "another skin's names";

    TwydPngListe wrongSize;
    wrongSize.Assign(&twice);
    const TwydPng tall = Named(Picture(8, 7, qRgb(0, 0, 0)), "");
    wrongSize.SetPng(0, &tall);
    EXPECT_EQ(DoubleAfterSaving(wrongSize), nullptr) << "a picture not exactly twice the size";

    EXPECT_NE(DoubleAfterSaving(twice), nullptr) << "and the matching file is taken";
}

TEST_F(TwiceTheSize, ChangesForgetThe2xPicturesAndAssignCarriesThem) {
    ASSERT_NE(DoubleAfterSaving(twice), nullptr);
    TwydPngListe copy;
    copy.Assign(&loaded);
    EXPECT_NE(copy.Double(), nullptr) << "a copy keeps the 2× file";

    const std::vector<std::function<void(TwydPngListe&)>> changes{
        [](TwydPngListe& l) { l.Rename(0, "x"); },
        [](TwydPngListe& l) { l.SetPng(0, l.GetPng(0)); },
        [](TwydPngListe& l) { l.Exchange(0, 1); },
        [](TwydPngListe& l) { l.Move(0, 1); },
        [](TwydPngListe& l) { l.Delete(0); },
        [](TwydPngListe& l) { l.Insert(0, nullptr); },
        [](TwydPngListe& l) { l.Add(static_cast<const TwydPng*>(nullptr)); },
        [](TwydPngListe& l) { l.Clear(); },
        [this](TwydPngListe& l) { l.LoadFromFile(file); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        SCOPED_TRACE(i);
        TwydPngListe changed;
        changed.Assign(&loaded);
        ASSERT_NE(changed.Double(), nullptr);
        changes[i](changed);
        EXPECT_EQ(changed.Double(), nullptr) << "the 2× pictures no longer match the list";
    }
    QBuffer stored;
    stored.open(QIODevice::ReadWrite);
    loaded.WritePngs(stored);
    EXPECT_NE(loaded.Double(), nullptr) << "storing the list changes nothing";
}
