// What a reader of the settings file gets: the reading rules of the profile
// functions the file format comes from.
#include "IniFixture.h"

namespace velumbra::test {
namespace {

using ReadingRules = IniFixture;

struct IntegerCase {
    const char* stored; // the value's text in the file; nullptr: no key
    int expected;       // with default -7
};

TEST_F(ReadingRules, IntegerValuesHexDecimalAndDefaults)
{
    const IntegerCase cases[] = {
        {"2500", 2500},         {"0x9C4", 2500},   {"0X9c4", 2500},     {"-12", -12},
        {"+7", 7},              {"  42  ", 42},    {"0", 0},            {"0x0", 0},
        {"0xFFFFFFFF", -1},     {"0x80000000", -2147483647 - 1},        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},          {"2147483648", -7},  {"0x100000000", -7},
        {"", -7},               {"0x", -7},        {"0X", -7},          {"0xG1", -7},
        {"12abc", -7},          {"1.5", -7},       {"1e3", -7},         {"- 5", -7},
        {"-0x10", -7},          {"x10", -7},       {"$10", -7},         {nullptr, -7},
    };
    for (const IntegerCase& c : cases) {
        const QByteArray line = c.stored ? QByteArray("Seuil_Max=") + c.stored + "\n" : QByteArray();
        put("[Seuils]\n" + line);
        EXPECT_EQ(open().ReadInteger(QStringLiteral("Seuils"), QStringLiteral("Seuil_Max"), -7), c.expected)
            << "stored: " << (c.stored ? c.stored : "(none)");
    }
}

struct StringCase {
    const char* file;
    const char* section;
    const char* key;
    QString expected; // default "def"
};

TEST_F(ReadingRules, StringValuesNamesWithoutCaseAndDefaults)
{
    const StringCase cases[] = {
        {"[Prefs]\nNom_Image=jup\n", "prefs", "NOM_IMAGE", QStringLiteral("jup")},
        {"[PREFS]\nnom_image=jup\n", "Prefs", "Nom_Image", QStringLiteral("jup")},
        {"[ Prefs ]\n  Nom_Image  =  jup saturne  \n", "Prefs", "Nom_Image", QStringLiteral("jup saturne")},
        {"[Prefs]\nNom_Image=\n", "Prefs", "Nom_Image", QString()},
        {"[Prefs]\nNom_Image=a=b\n", "Prefs", "Nom_Image", QStringLiteral("a=b")},
        {"[Prefs]\nAutre=1\n", "Prefs", "Nom_Image", QStringLiteral("def")},
        {"[Seuils]\nNom_Image=x\n", "Prefs", "Nom_Image", QStringLiteral("def")},
        {"Nom_Image=before any section\n", "Prefs", "Nom_Image", QStringLiteral("def")},
        {"[Prefs]\n;Nom_Image=commented\n", "Prefs", "Nom_Image", QStringLiteral("def")},
        {"[Prefs]\nNom_Image=first\nNom_Image=second\n", "Prefs", "Nom_Image", QStringLiteral("first")},
        {"[Prefs]\nNom_Image=first\n[prefs]\nNom_Image=second\n", "Prefs", "Nom_Image", QStringLiteral("first")},
        {"[Optique.Mon [C8]]\nFocale=2030\n", "Optique.Mon [C8]", "Focale", QStringLiteral("2030")},
        {"[Prefs]\r\nNom_Image=crlf\r\n", "Prefs", "Nom_Image", QStringLiteral("crlf")},
        {"[Optique.C\xe9leste]\r\nNote=\xe9t\xe9\r\n", "optique.c\xc3\xa9LESTE", "Note", QStringLiteral("été")},
        {"\xEF\xBB\xBF[Optique.C\xc3\xa9leste]\nNote=\xc3\xa9t\xc3\xa9\n", "Optique.Céleste", "Note",
         QStringLiteral("été")},
    };
    for (const StringCase& c : cases) {
        put(c.file);
        EXPECT_EQ(open().ReadString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("def")),
                  c.expected)
            << c.file;
    }
}

TEST_F(ReadingRules, LongValuesAreCutAt1023Characters)
{
    const QByteArray value(2000, 'a');
    put("[Prefs]\nNom_Image=" + value + "\nLongueur_Sequence=0x" + QByteArray(1020, '0') + "1F\n");
    const IniFile ini = open();
    EXPECT_EQ(ini.ReadString(QStringLiteral("Prefs"), QStringLiteral("Nom_Image"), {}), QString(1023, QLatin1Char('a')));
    // The integer is read from the cut text: 0x...01F loses its last digit.
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Prefs"), QStringLiteral("Longueur_Sequence"), 4), 1);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Prefs"), QStringLiteral("Absent"), QString(1500, QLatin1Char('d'))).size(),
              1023);
}

TEST_F(ReadingRules, MissingFileReadsDefaultsAndNoSections)
{
    const IniFile ini = open();
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Seuils"), QStringLiteral("Seuil_Max"), 2500), 2500);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Prefs"), QStringLiteral("Optique_Courante"), QStringLiteral("Defaut")),
              QStringLiteral("Defaut"));
    EXPECT_TRUE(ini.ReadSections().isEmpty());
    EXPECT_TRUE(messages.lines.isEmpty());
    EXPECT_TRUE(folder().isEmpty()) << "reading creates nothing";
}

TEST_F(ReadingRules, SectionsInFileOrderEachOnceWithinTheListBuffer)
{
    put("; comment\n[Prefs]\na=1\n[Optique.C8]\n[]\n[Exposure]\n[PREFS]\n[Monture.EQ6]\n");
    EXPECT_EQ(open().ReadSections(), (QStringList{QStringLiteral("Prefs"), QStringLiteral("Optique.C8"),
                                                  QStringLiteral("Exposure"), QStringLiteral("Monture.EQ6")}));

    // 100 names of 99 bytes take 100 bytes each in the list: 81 fit before its last NUL.
    QByteArray many;
    for (int i = 0; i < 100; ++i) many += "[" + QByteArray::number(100 + i) + QByteArray(96, 'n') + "]\n";
    put(many);
    const QStringList names = open().ReadSections();
    ASSERT_EQ(names.size(), 81);
    EXPECT_TRUE(names.last().startsWith(QStringLiteral("180")));
}

} // namespace
} // namespace velumbra::test
