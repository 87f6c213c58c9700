#include "uLanguages.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<TLanguage> CarriedTable(const QString& lang) {
    auto table = std::make_unique<TLanguage>();
    table->setSource(QStringLiteral("Resource_Lng"));
    table->setLanguage(lang);
    return table;
}

} // namespace

TEST(LanguageLookup, AnswersInTheChosenLanguage) {
    TLanguage table;
    table.setSource(QStringLiteral("Resource_Lng"));
    table.setLanguage(QStringLiteral("fr"));
    EXPECT_EQ(table.localize(QStringLiteral("wyd_Standby")), QStringLiteral("En attente"));
    table.setLanguage(QStringLiteral("en"));
    EXPECT_EQ(table.localize(QStringLiteral("wyd_Standby")), QStringLiteral("Standby"));
    EXPECT_EQ(table.localize(QStringLiteral("wyd_RecName")), QStringLiteral(" Audio recording name"));
    EXPECT_EQ(CarriedTable(QStringLiteral("fr"))->localize(QStringLiteral("wyd_Length")),
              QStringLiteral("Durée"));
}

TEST(LanguageLookup, TurnsLineBreakMarksIntoCrLfAndLeavesThePlaceholder) {
    EXPECT_EQ(CarriedTable(QStringLiteral("en"))->localize(QStringLiteral("wyd_UseDefaultDir")),
              QStringLiteral("Audio recordings will be stored in\r\nXXXXXX"));
    EXPECT_EQ(CarriedTable(QStringLiteral("fr"))->localize(QStringLiteral("wyd_DirNotExist")),
              QStringLiteral("Le dossier\r\nXXXXXX\r\nn'existe pas. Voulez-vous le créer ?"));
}

TEST(LanguageLookup, UnknownKeyGivesHyphenInEveryLanguage) {
    for (const char* lang : {"en", "fr", "Default"})
        EXPECT_EQ(CarriedTable(QString::fromLatin1(lang))->localize(QStringLiteral("wyd_NoSuchKey")),
                  QStringLiteral("-"))
            << lang;
}

TEST(LanguageLookup, UnknownOrDifferentlyCasedLanguageGivesEmptyText) {
    EXPECT_EQ(CarriedTable(QStringLiteral("de"))->localize(QStringLiteral("wyd_Play")), QString());
    EXPECT_EQ(CarriedTable(QStringLiteral("EN"))->localize(QStringLiteral("wyd_Play")), QString());
}

TEST(LanguageLookup, DefaultLanguageAnswersTheKeyItself) {
    TLanguage table;
    table.setSource(QStringLiteral("Resource_Lng"));
    EXPECT_EQ(table.CurrentLanguage(), QStringLiteral("Default"));
    EXPECT_EQ(table.localize(QStringLiteral("wyd_Play")), QStringLiteral("wyd_Play"));
}

TEST(LanguageLookup, WithoutSourceEveryLookupIsHyphen) {
    TLanguage table;
    EXPECT_EQ(table.Source(), QStringLiteral(" "));
    EXPECT_EQ(table.localize(QStringLiteral("wyd_Play")), QStringLiteral("-"));
}

TEST(LanguageSource, ResourceNamesMatchIgnoringCase) {
    TLanguage table;
    table.setSource(QStringLiteral("RESOURCE_LNG"));
    table.setLanguage(QStringLiteral("en"));
    EXPECT_EQ(table.localize(QStringLiteral("wyd_Play")), QStringLiteral("Playing"));
}

TEST(LanguageSource, MissingResourceRaises) {
    TLanguage table;
    EXPECT_THROW(table.setSource(QStringLiteral("No_Such_Resource")), EResNotFound);
}

TEST(LanguageSource, TextThatIsNotJsonLeavesNoTable) {
    const auto carried = CarriedTable(QStringLiteral("en"));
    TLanguage& table = *carried;
    table.setSource(QStringLiteral("not_json"));
    EXPECT_EQ(table.localize(QStringLiteral("wyd_Play")), QStringLiteral("-"));
}

TEST(LanguageSource, TopLevelOtherThanArrayRaisesAndKeepsThePreviousTable) {
    const auto carried = CarriedTable(QStringLiteral("en"));
    TLanguage& table = *carried;
    EXPECT_THROW(table.setSource(QStringLiteral("object_top")), EJsonTypeError);
    EXPECT_THROW(table.setSource(QStringLiteral("scalar_top")), EJsonTypeError);
    EXPECT_EQ(table.localize(QStringLiteral("wyd_Play")), QStringLiteral("Playing"));
}

TEST(LanguageSource, OddElementsAreSkippedAndTheLastLanguageDecides) {
    TLanguage table;
    table.setSource(QStringLiteral("odd_tables"));
    table.setLanguage(QStringLiteral("en"));
    EXPECT_EQ(table.localize(QStringLiteral("wyd_Play")), QStringLiteral("second\r\nline"));
    EXPECT_EQ(table.localize(QStringLiteral("n")), QStringLiteral("7"));
    EXPECT_EQ(table.localize(QStringLiteral("b")), QStringLiteral("true"));
    EXPECT_EQ(table.localize(QStringLiteral("nul")), QStringLiteral("-"));
    EXPECT_EQ(table.localize(QStringLiteral("obj")), QStringLiteral("-"));
    table.setLanguage(QStringLiteral("xx"));
    EXPECT_EQ(table.localize(QStringLiteral("wyd_Play")), QStringLiteral("-"));
}

// The carried table: three languages in order, each one map of the same keys in the same order: the
// window's 60, then the ones added since for failures and the disk guard.
constexpr int CarriedKeys = 69;

TEST(CarriedTable, HoldsDefaultEnglishFrenchWithTheSameKeys) {
    QFile file(FindResourcePath(QStringLiteral("Resource_Lng")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    ASSERT_FALSE(text.startsWith("\xEF\xBB\xBF")) << "no byte-order mark";
    EXPECT_EQ(text.trimmed().count('\n'), 0) << "all on one line";
    // QJsonObject sorts its keys, so the order is checked on the text itself.
    const QJsonArray doc = QJsonDocument::fromJson(text).array();
    ASSERT_EQ(doc.size(), 3);
    const QStringList langs{QStringLiteral("Default"), QStringLiteral("en"), QStringLiteral("fr")};
    QList<qsizetype> mapStarts;
    for (int i = 0; i < 3; ++i) {
        const QJsonObject element = doc[i].toObject();
        ASSERT_EQ(element.keys(), QStringList{langs[i]});
        const QJsonArray maps = element.value(langs[i]).toArray();
        ASSERT_EQ(maps.size(), 1);
        EXPECT_EQ(maps[0].toObject().size(), CarriedKeys) << langs[i].toStdString();
        mapStarts << text.indexOf("{\"" + langs[i].toUtf8() + "\":");
    }
    const QJsonObject defaults = doc[0].toObject().value(langs[0]).toArray()[0].toObject();
    for (const QString& key : defaults.keys()) EXPECT_EQ(defaults.value(key).toString(), key);
    // Walk the keys in the Default map's text order and check every map has them in that order.
    QStringList order;
    qsizetype pos = mapStarts[0];
    while ((pos = text.indexOf("\":\"", pos)) >= 0 && pos < mapStarts[1]) {
        const qsizetype start = text.lastIndexOf('"', pos - 1) + 1;
        order << QString::fromUtf8(text.mid(start, pos - start));
        pos += 3;
    }
    ASSERT_EQ(order.size(), CarriedKeys);
    EXPECT_EQ(order.first(), QStringLiteral("wyd_Language"));
    EXPECT_EQ(order[59], QStringLiteral("wyd_OutLevelTip"));
    EXPECT_EQ(order.last(), QStringLiteral("wyd_DiskFullNoRecord"));
    for (int i = 0; i < 3; ++i) {
        qsizetype at = mapStarts[i];
        for (const QString& key : order) {
            const qsizetype next = text.indexOf("\"" + key.toUtf8() + "\":", at);
            EXPECT_GT(next, at) << langs[i].toStdString() << " " << key.toStdString();
            at = next;
        }
    }
}

TEST(CarriedTable, LanguageKeyIsTheLanguageCode) {
    EXPECT_EQ(CarriedTable(QStringLiteral("en"))->localize(QStringLiteral("wyd_Language")),
              QStringLiteral("en"));
    EXPECT_EQ(CarriedTable(QStringLiteral("fr"))->localize(QStringLiteral("wyd_Language")),
              QStringLiteral("fr"));
}

TEST(CarriedTable, MakerTextsAreFilledIn) {
    for (const char* lang : {"en", "fr"}) {
        const auto carried = CarriedTable(QString::fromLatin1(lang));
        const TLanguage& table = *carried;
        for (const char* key :
             {"infos_Header3", "infos_Footer2", "infos_velmaroskUrl", "infos_orvanUrl", "infos_sarvoUrl",
              "infos_OrvanLinkText", "infos_wydSlogan", "infos_BlablaOrvan"}) {
            const QString text = table.localize(QString::fromLatin1(key));
            EXPECT_FALSE(text.contains(QLatin1Char('@'))) << key;
            EXPECT_FALSE(text.isEmpty()) << key;
        }
        EXPECT_EQ(table.localize(QStringLiteral("infos_BlablaOrvan")).count(QStringLiteral("\r\n")), 3);
        EXPECT_EQ(table.localize(QStringLiteral("infos_wydSlogan")).count(QStringLiteral("\r\n")), 2);
        EXPECT_TRUE(table.localize(QStringLiteral("infos_sarvoUrl")).startsWith(QStringLiteral("https://")));
    }
}
