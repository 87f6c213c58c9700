#include "IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

namespace {

class IniFileTest : public testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("prefs.ini"));

    void WriteRaw(const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray ReadRaw() {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsTheDefault) {
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Style"), QStringLiteral("Skin"), QStringLiteral("Vintage-Skin")),
              QStringLiteral("Vintage-Skin"));
    WriteRaw("[Style]\nOther=1\n");
    EXPECT_EQ(ini.ReadString(QStringLiteral("Style"), QStringLiteral("Skin"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("QualityRecord"), QStringLiteral("Quality"), 1), 1);
}

TEST_F(IniFileTest, NamesMatchIgnoringCaseAndValuesAreTrimmed) {
    WriteRaw("[qualityrecord]\r\n  QUALITY = 2 \r\nnbchannels=\"2\"\r\n[Input]\r\nName=Mic (Card)\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("QualityRecord"), QStringLiteral("Quality"), 1), 2);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("QualityRecord"), QStringLiteral("NbChannels"), 1), 2);
    EXPECT_EQ(ini.ReadString(QStringLiteral("INPUT"), QStringLiteral("name"), {}),
              QStringLiteral("Mic (Card)"));
}

TEST_F(IniFileTest, IntegersThatDoNotParseReadAsDefault) {
    WriteRaw("[Q]\na=7\nb=12abc\nc=\nd=$1F\ne=0x10\nf=-3\ng=99999999999\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Q"), QStringLiteral("a"), 1), 7);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Q"), QStringLiteral("b"), 1), 1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Q"), QStringLiteral("c"), 1), 1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Q"), QStringLiteral("d"), 1), 31);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Q"), QStringLiteral("e"), 1), 16);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Q"), QStringLiteral("f"), 1), -3);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Q"), QStringLiteral("g"), 1), 1);
}

TEST_F(IniFileTest, ValuesAreCutAt2047Characters) {
    WriteRaw("[S]\nk=" + QByteArray(5000, 'x') + "\n");
    EXPECT_EQ(TIniFile(path).ReadString(QStringLiteral("S"), QStringLiteral("k"), {}).size(), 2047);
}

TEST_F(IniFileTest, FirstSectionAndFirstKeyWin) {
    WriteRaw("[S]\nk=1\nk=2\n[s]\nk=3\n");
    EXPECT_EQ(TIniFile(path).ReadInteger(QStringLiteral("S"), QStringLiteral("k"), 0), 1);
}

TEST_F(IniFileTest, BinaryOrTruncatedFileGivesDefaultsWithoutFailing) {
    std::mt19937 random(7);
    QByteArray junk(4096, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    WriteRaw(junk);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("QualityRecord"), QStringLiteral("Quality"), 1), 1);
    WriteRaw("[QualityRecord]\nQuality=2\n[Sty");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("QualityRecord"), QStringLiteral("Quality"), 1), 2);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Style"), QStringLiteral("Skin"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST_F(IniFileTest, WritingReplacesOneValueAndKeepsEverythingElse) {
    WriteRaw("; my notes\n[QualityRecord]\nQuality=0\nNbChannels=2\n\n[Style]\nSkin=Modern-Skin\n");
    TIniFile ini(path);
    ini.WriteInteger(QStringLiteral("qualityrecord"), QStringLiteral("QUALITY"), 2);
    EXPECT_EQ(
        ReadRaw(),
        QByteArray("; my notes\n[QualityRecord]\nQuality=2\nNbChannels=2\n\n[Style]\nSkin=Modern-Skin\n"));
}

TEST_F(IniFileTest, WritingAddsMissingKeysToTheirSectionAndMissingSectionsAtTheEnd) {
    WriteRaw("[QualityRecord]\r\nQuality=1\r\n\r\n[Style]\r\nSkin=Vintage-Skin\r\n");
    TIniFile ini(path);
    ini.WriteInteger(QStringLiteral("QualityRecord"), QStringLiteral("NbChannels"), 1);
    ini.WriteString(QStringLiteral("Language"), QStringLiteral("Locale"), QStringLiteral("fr"));
    EXPECT_EQ(ReadRaw(), QByteArray("[QualityRecord]\r\nQuality=1\r\nNbChannels=1\r\n\r\n[Style]\r\n"
                                    "Skin=Vintage-Skin\r\n[Language]\r\nLocale=fr\r\n"));
}

TEST_F(IniFileTest, WrittenValuesReadBackIncludingNonAsciiPaths) {
    TIniFile ini(path);
    const QString folder = QStringLiteral("/home/zoé/Mes enregistrements 🎙/");
    ini.WriteString(QStringLiteral("PlaylistPath"), QStringLiteral("zoé"), folder);
    ini.WriteString(QStringLiteral("Input"), QStringLiteral("Name"), QStringLiteral("Line = in (Card)"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("playlistpath"), QStringLiteral("ZOÉ"), {}), folder);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Input"), QStringLiteral("Name"), {}),
              QStringLiteral("Line = in (Card)"));
}

TEST_F(IniFileTest, RefusedWriteRaisesTheFrenchMessageWithThePath) {
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/prefs.ini"));
    TIniFile ini(missing);
    try {
        ini.WriteInteger(QStringLiteral("QualityRecord"), QStringLiteral("Quality"), 1);
        FAIL() << "the write should fail";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("Impossible d'écrire dans ") + missing);
    }
}

TEST_F(IniFileTest, ReadOnlyFileRefusesWritesAndKeepsItsContent) {
    WriteRaw("[S]\nk=1\n");
    ASSERT_EQ(chmod(path.toLocal8Bit().constData(), 0444), 0);
    EXPECT_THROW(TIniFile(path).WriteInteger(QStringLiteral("S"), QStringLiteral("k"), 2), EIniFileException);
    EXPECT_EQ(ReadRaw(), QByteArray("[S]\nk=1\n"));
}
