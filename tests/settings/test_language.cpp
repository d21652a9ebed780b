// The language file: its sections, the texts a section gives and the
// built-in French ones it leaves, read with the settings file's rules, and
// the English section the program ships.
#include "IniFixture.h"

#include "aids/PolarAlignment.h"
#include "core/LanguageTable.h"
#include "settings/Language.h"

#include <QSet>

#include <gtest/gtest.h>

namespace velumbra::test {
namespace {

const LanguageRead& readOf(const char* key, int occurrence = 0)
{
    for (const LanguageRead& r : languageReads())
        if (QLatin1String(r.key) == QLatin1String(key) && occurrence-- == 0) return r;
    throw std::runtime_error(key);
}

class LanguageFileTest : public IniFixture {
protected:
    LanguageFile load(const QByteArray& bytes)
    {
        put(bytes, QStringLiteral("Language.ini"));
        return LanguageFile(path(QStringLiteral("Language.ini")), clock, messages);
    }
    LanguageTexts choose(const QByteArray& bytes, const QString& language)
    {
        LanguageTexts texts;
        texts.choose(load(bytes), language);
        return texts;
    }
};

// ---- The table of texts --------------------------------------------------------------

TEST(LanguageTable, EveryReadHasAKeyOfAKnownFormAndABuiltInText)
{
    for (const LanguageRead& r : languageReads()) {
        const QString key = QString::fromLatin1(r.key);
        EXPECT_FALSE(QString::fromUtf8(r.builtIn).isEmpty()) << r.key;
        if (!*r.window) continue; // a named text
        const QString property = key.section(QLatin1Char('.'), 1).toLower();
        EXPECT_TRUE(property == QLatin1String("caption") || property == QLatin1String("hint") ||
                    property == QLatin1String("items") || key.startsWith(QLatin1String("CHRT_")))
            << r.key;
    }
}

TEST(LanguageTable, AKeyComesTwiceOnlyWhereOneTextServesTwoPlaces)
{
    QSet<QString> seen;
    QStringList twice;
    for (const LanguageRead& r : languageReads()) {
        const QString key = QString::fromLatin1(r.key).toCaseFolded();
        if (seen.contains(key)) twice << QString::fromLatin1(r.key);
        seen.insert(key);
    }
    // The design's three, then the close and cancel buttons and the notice of
    // the windows to come, one key for the same control in several windows.
    EXPECT_EQ(twice, QStringList({QStringLiteral("BTN_Orientation.Caption"), QStringLiteral("BTN_Quitter.Caption"),
                                  QStringLiteral("MSG_PT_Already_running"), QStringLiteral("BTN_Fermer.Caption"),
                                  QStringLiteral("LBL_Pas_Disponible.Caption"), QStringLiteral("BTN_Fermer.Caption"),
                                  QStringLiteral("BTN_Annuler.Caption"), QStringLiteral("BTN_Fermer.Caption")}));
    EXPECT_EQ(seen.size(), 653);
}

TEST(LanguageTable, BuiltInTextsAreTheFrenchOnes)
{
    const struct {
        const char* key;
        const char* text;
    } cases[] = {
        {"FRM_Alv_Child.Caption", "Fenêtre d'intégration"},
        {"FRM_Pref.Caption", "Préferences"},
        {"MNU_Fichier.Caption", "&Fichier"},
        {"Lebas", "le bas"},
        {"Parite3", "Aucune"},
        {"MSG_TailleOrientCapt3", "Cliquer sur le bouton \"Executer\""},
        {"mnu_fichier.caption", "&Fichier"}, // keys are matched whatever their case
    };
    for (const auto& c : cases) EXPECT_EQ(builtInText(QString::fromLatin1(c.key)), QString::fromUtf8(c.text)) << c.key;
    EXPECT_EQ(NamedTexts::builtIn().text(u"Nord"), QStringLiteral("Nord"));
}

// ---- Reading a language ----------------------------------------------------------------

TEST_F(LanguageFileTest, TheLanguagesAreTheSectionsInFileOrder)
{
    const LanguageFile file = load("[Francais]\n[English]\nNord=North\n[Deutsch]\n");
    EXPECT_EQ(file.languages(), QStringList({QStringLiteral("Francais"), QStringLiteral("English"),
                                             QStringLiteral("Deutsch")}));
}

TEST_F(LanguageFileTest, NoFileNoLanguageAndNoMessage)
{
    const LanguageFile file(path(QStringLiteral("Language.ini")), clock, messages);
    EXPECT_TRUE(file.languages().isEmpty());
    EXPECT_TRUE(messages.lines.isEmpty());
    LanguageTexts texts;
    texts.choose(file, QString());
    EXPECT_EQ(texts.textOf(readOf("FRM_Pref.Caption")), QStringLiteral("Préferences"));
}

TEST_F(LanguageFileTest, ASectionGivingOneCaptionChangesThatCaptionAlone)
{
    const LanguageTexts texts = choose("[Essai]\nMNU_Fichier.Caption=&File\n", QStringLiteral("Essai"));
    for (const LanguageRead& r : languageReads()) {
        const QString expected = QLatin1String(r.key) == QLatin1String("MNU_Fichier.Caption")
                                     ? QStringLiteral("&File")
                                     : QString::fromUtf8(r.builtIn);
        EXPECT_EQ(texts.textOf(r), expected) << r.key;
    }
}

TEST_F(LanguageFileTest, KeysAndSectionsAreMatchedWhateverTheirCase)
{
    const LanguageTexts texts = choose("[ENGLISH]\nmnu_fichier.caption=&File\nnord=North\n", QStringLiteral("English"));
    EXPECT_EQ(texts.textOf(readOf("MNU_Fichier.Caption")), QStringLiteral("&File"));
    EXPECT_EQ(texts.text(u"Nord"), QStringLiteral("North"));
}

TEST_F(LanguageFileTest, AKeyReadTwiceGivesBothMessagesTheLanguagesOneText)
{
    const LanguageRead& first = readOf("MSG_PT_Already_running", 0);
    const LanguageRead& second = readOf("MSG_PT_Already_running", 1);
    const LanguageTexts french = choose("[Vide]\n", QStringLiteral("Vide"));
    EXPECT_NE(french.textOf(first), french.textOf(second));
    const LanguageTexts english = choose("[English]\nMSG_PT_Already_running=Already running\n", QStringLiteral("English"));
    EXPECT_EQ(english.textOf(first), QStringLiteral("Already running"));
    EXPECT_EQ(english.textOf(second), QStringLiteral("Already running"));
}

TEST_F(LanguageFileTest, AnUnknownSectionOrNoneGivesTheBuiltInTexts)
{
    for (const QString& language : {QString(), QStringLiteral("Klingon")}) {
        const LanguageTexts texts = choose("[English]\nFRM_Pref.Caption=Preferences\n", language);
        EXPECT_EQ(texts.textOf(readOf("FRM_Pref.Caption")), QStringLiteral("Préferences")) << language.toStdString();
    }
}

TEST_F(LanguageFileTest, Utf8OrLatin1)
{
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"UTF-8", QByteArray("[Deutsch]\nTBS_Optique.Caption=Optik f\xC3\xBCr Fernrohre\n")},
        {"Latin-1", QByteArray("[Deutsch]\nTBS_Optique.Caption=Optik f\xFCr Fernrohre\n")},
        {"UTF-8 with its mark, CR LF", QByteArray("\xEF\xBB\xBF[Deutsch]\r\nTBS_Optique.Caption=Optik f\xC3\xBCr Fernrohre\r\n")},
    };
    for (const auto& c : cases) {
        const LanguageTexts texts = choose(c.bytes, QStringLiteral("Deutsch"));
        EXPECT_EQ(texts.textOf(readOf("TBS_Optique.Caption")), QStringLiteral("Optik für Fernrohre")) << c.name;
    }
}

TEST_F(LanguageFileTest, AValueIsCutAt1023Characters)
{
    const QByteArray longValue(5000, 'x');
    const LanguageTexts texts = choose("[Long]\nFRM_Pref.Caption=" + longValue + "\nNord=North\n", QStringLiteral("Long"));
    EXPECT_EQ(texts.textOf(readOf("FRM_Pref.Caption")), QString(1023, QLatin1Char('x')));
    EXPECT_EQ(texts.text(u"Nord"), QStringLiteral("North"));
}

TEST_F(LanguageFileTest, GarbageGivesNoLanguageAndTheFileStaysWhereItWas)
{
    QByteArray garbage("[English]\nNord=North\n");
    for (int i = 0; i < 4096; ++i) garbage.append(char((i * 37) % 256));
    const LanguageFile file = load(garbage);
    EXPECT_TRUE(file.languages().isEmpty());
    ASSERT_EQ(messages.lines.size(), 1);
    EXPECT_TRUE(messages.lines.first().contains(QStringLiteral("Language.ini")));
    // Only read: neither renamed aside nor rewritten.
    EXPECT_EQ(folder(), QStringList(QStringLiteral("Language.ini")));
    EXPECT_EQ(bytesOf(QStringLiteral("Language.ini")), garbage);
}

TEST_F(LanguageFileTest, AReadOnlyFileRefusesWrites)
{
    put("[Prefs]\nLangue=1\n");
    IniFile ini = open(IniFile::Mode::ReadOnly);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 0), 1);
    EXPECT_THROW(ini.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 2), IniWriteError);
    EXPECT_EQ(bytesOf(), "[Prefs]\nLangue=1\n");
}

TEST(LanguageIndex, AStoredIndexOutsideTheListSelectsNothing)
{
    const struct {
        int stored;
        qsizetype count;
        int selected;
    } cases[] = {{0, 2, 0}, {1, 2, 1}, {2, 2, -1}, {-1, 2, -1}, {0, 0, -1}};
    for (const auto& c : cases) EXPECT_EQ(languageIndexFor(c.stored, c.count), c.selected) << c.stored << " of " << c.count;
}

// ---- Texts composed later ---------------------------------------------------------------

TEST_F(LanguageFileTest, CorrectionWordsComeFromTheLanguageWhenComposed)
{
    const LanguageTexts texts =
        choose("[English]\nEst=East\nOuest=West\nLebas=down\nLehaut=up\n", QStringLiteral("English"));
    EXPECT_EQ(direction_word(AdjustAxis::Azimuth, true, texts), QStringLiteral("East"));
    EXPECT_EQ(direction_word(AdjustAxis::Azimuth, false, texts), QStringLiteral("West"));
    EXPECT_EQ(direction_word(AdjustAxis::Altitude, true, texts), QStringLiteral("down"));
    EXPECT_EQ(direction_word(AdjustAxis::Altitude, false, texts), QStringLiteral("up"));
    EXPECT_EQ(direction_word(AdjustAxis::Altitude, true), QStringLiteral("le bas"));
}

TEST_F(LanguageFileTest, ExecutionFinishedFollowsTheLanguage)
{
    const LanguageTexts texts = choose("[English]\nMSG_ExecutionTerminee=Run finished\n", QStringLiteral("English"));
    EXPECT_EQ(executionFinishedText(texts), QStringLiteral("Run finished"));
    EXPECT_EQ(executionFinishedText(NamedTexts::builtIn()), QStringLiteral("Execution terminée"));
}

// ---- The languages the program ships ----------------------------------------------------

class ShippedLanguages : public ::testing::Test {
protected:
    ManualClock clock{QDateTime(QDate(2026, 3, 14), QTime(21, 30, 5))};
    RecordingMessages messages;
    LanguageFile file{QStringLiteral(VELUMBRA_LANGUAGE_FILE), clock, messages};
};

TEST_F(ShippedLanguages, FrenchFirstThenEnglish)
{
    EXPECT_TRUE(messages.lines.isEmpty()) << messages.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(file.languages(), QStringList({QStringLiteral("Français"), QStringLiteral("English")}));
}

// A key added to the program without its English text fails here.
TEST_F(ShippedLanguages, EnglishGivesEveryKeyTheProgramReads)
{
    EXPECT_EQ(missingKeys(file, QStringLiteral("English")), QStringList());
}

TEST_F(ShippedLanguages, EnglishTextsAreTranslatedNotCopied)
{
    LanguageTexts english;
    english.choose(file, QStringLiteral("English"));
    // Names that are the same in both languages.
    const QSet<QString> same{QStringLiteral("TOP"), QStringLiteral("MNU_Video.Caption"), QStringLiteral("MNU_Format.Caption"),
                             QStringLiteral("MNU_Source.Caption"), QStringLiteral("MNU_Binning.Caption"),
                             QStringLiteral("MNU_Options.Caption"), QStringLiteral("MNU_Operations.Caption"),
                             QStringLiteral("MNU_Telescope.Caption"), QStringLiteral("GRB_Camera.Caption"),
                             QStringLiteral("GRB_Operations.Caption"), QStringLiteral("LBL_Tolerance.Caption"),
                             QStringLiteral("LBL_Orient.Caption"), QStringLiteral("CKB_Detection_Action.Caption"),
                             QStringLiteral("TBS_Decl.Caption"), QStringLiteral("CKB_Selection.Caption"),
                             QStringLiteral("LBL_Codec.Caption"), QStringLiteral("CKB_FWHM_Auto.Caption"),
                             QStringLiteral("LBL_FWHM.Caption"), QStringLiteral("RDB_Dark.Caption"),
                             QStringLiteral("RDB_Flat.Caption"), QStringLiteral("LBL_SeuilMin.Caption"),
                             QStringLiteral("LBL_SeuilMax.Caption"), QStringLiteral("GRB_Zones.Caption"),
                             QStringLiteral("LBL_Detection.Caption"), QStringLiteral("CKB_Barlow.Caption"),
                             QStringLiteral("TBS_Camera.Caption"), QStringLiteral("TBS_Debug.Caption"),
                             QStringLiteral("CKB_LongueposePermanent.Caption"), QStringLiteral("RDB_LX200.Caption"),
                             QStringLiteral("RDB_Tolvir.Caption"), QStringLiteral("RDB_Varnek.Caption"),
                             QStringLiteral("LBL_AG_Port.Caption"), QStringLiteral("LBL_Zone_Neutre_Pixels.Caption"),
                             QStringLiteral("CKB_Correct_Nord.Caption"), QStringLiteral("CKB_Correct_Sud.Caption"),
                             QStringLiteral("TBS_FocusMotor.Caption"), QStringLiteral("RDB_Point.Caption"),
                             QStringLiteral("FRM_Raquette.Caption"), QStringLiteral("GRB_Mode_LX200.Caption"),
                             QStringLiteral("RDB_NGC.Caption"), QStringLiteral("RDB_Messier.Caption"),
                             QStringLiteral("Planete2"), QStringLiteral("Planete4"), QStringLiteral("Planete5"),
                             QStringLiteral("Planete7"), QStringLiteral("Planete8"), QStringLiteral("SPDB_Stop.Hint"),
                             QStringLiteral("BTN_ImageRef_Auto.Caption"), QStringLiteral("MSG_Graphe_Dec"),
                             QStringLiteral("Unite_Minutes"), QStringLiteral("MSG_Action_Orientation"),
                             QStringLiteral("GRB_Centre_Mire.Caption")};
    QStringList unchanged;
    for (const LanguageRead& r : languageReads()) {
        const QString key = QString::fromLatin1(r.key);
        if (english.textOf(r) == QString::fromUtf8(r.builtIn) && !same.contains(key)) unchanged << key;
    }
    EXPECT_EQ(unchanged, QStringList());
}

TEST_F(ShippedLanguages, TheFrenchSectionIsTheBuiltInTexts)
{
    LanguageTexts french;
    french.choose(file, QStringLiteral("Français"));
    for (const LanguageRead& r : languageReads()) EXPECT_EQ(french.textOf(r), QString::fromUtf8(r.builtIn)) << r.key;
}

} // namespace
} // namespace velumbra::test
