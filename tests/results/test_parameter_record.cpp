#include "results/ParameterRecord.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velumbra;

namespace {

const QLocale kFrench(QLocale::French, QLocale::France);
const QDateTime kWhen(QDate(2026, 1, 5), QTime(21, 4, 9, 7));

ParameterValues integrating()
{
    ParameterValues v;
    v.imageWidth = 640;
    v.imageHeight = 480;
    v.resultWidth = 320;
    v.resultHeight = 240;
    v.displayZoneLeft = 160;
    v.displayZoneTop = 120;
    v.CKB_Integration = true;
    v.EDT_NBCaps = QStringLiteral("37");
    v.RDB_Boucle = true;
    v.SPED_Nb_Bitmap = 12;
    v.TNI_Min = 3.5;
    v.TNI_Max = 9120;
    v.TNI_Seuil_Min = 12.25;
    v.TNI_Seuil_Max = 2500;
    v.TNI_Dark = 4;
    v.TNI_MaxDark = 10;
    v.CKB_Active_Flat = true;
    v.RDB_NB = true;
    v.CKB_Green = false;
    v.CKB_Suivi = true;
    v.tracking = TrackingMethod::SommeAxes;
    v.TNI_Taille_ZDetect = 40;
    v.CKB_Inversion_Video = true;
    v.CKB_Selection = true;
    v.selectedQuality = 1234.5;
    v.selectedBest = 2000;
    v.selectedWorst = 0.125;
    v.TNI_Seuil_Selection = 1500;
    return v;
}

QString readText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST(ParameterRecord, HeaderWithIntegrationOn)
{
    const QStringList h = parameterHeader(integrating(), kWhen, kFrench);
    const QStringList expected = {
        QStringLiteral("Date/heure                      : 05/01/2026 21:04:09,007"),
        QStringLiteral("Resolution video                : 640 x 480 pixels"),
        QStringLiteral("Dimensions de l'image           : 320 x 240 pixels"),
        QStringLiteral("Position (X,Y) de l'image       : (160,120)"),
        QStringLiteral("Nombre d'images indiv.          : 37"),
        QStringLiteral("Mode Boucle                     : 12 images"),
        QStringLiteral("Durée (poses longues uniquement): N/A"),
        QString(),
        QStringLiteral("Intensité Minimale              : 3,5"),
        QStringLiteral("Intensité Maximale              : 9120"),
        QStringLiteral("Seuil Bas                       : 12,25"),
        QStringLiteral("Seuil Haut                      : 2500"),
        QStringLiteral("Dark appliqué (Nb Img)          : 4 / 10"),
        QStringLiteral("Flat appliqué   (O/N)           : O"),
        QString(),
        QStringLiteral("Noir et Blanc   (O/N)           : O"),
        QStringLiteral("Rouge           (O/N)           : O"),
        QStringLiteral("Vert            (O/N)           : N"),
        QStringLiteral("Bleu            (O/N)           : O"),
        QString(),
        QStringLiteral("Type de suivi                   : Somme Axes"),
        QStringLiteral("Taille zone de detect°          : 40 pixels"),
        QStringLiteral("Inversion video/suivi           : O"),
        QString(),
        QStringLiteral("Qualité de l'image              : 1234,5"),
        QStringLiteral("Meilleure image                 : 2000"),
        QStringLiteral("Plus mauvaise image             : 0,125"),
        QStringLiteral("Seuil de selection              : 1500"),
    };
    ASSERT_EQ(h.size(), expected.size());
    for (int i = 0; i < h.size(); ++i) {
        EXPECT_EQ(h[i], expected[i]) << "line " << i + 1;
        if (!h[i].isEmpty()) {
            EXPECT_EQ(h[i].indexOf(QStringLiteral(": ")) + 2, 34) << "line " << i + 1;
        }
    }
}

TEST(ParameterRecord, HeaderWithIntegrationOffLeavesTheIntensitiesEmpty)
{
    ParameterValues v = integrating();
    v.CKB_Integration = false;
    v.CKB_Selection = false;
    v.CKB_Suivi = false;
    v.CKB_Longuepose_Active = true;
    v.SPED_Vesta_Pose = 12500;
    const QStringList h = parameterHeader(v, kWhen, QLocale::c());
    EXPECT_EQ(h[0], QStringLiteral("Date/heure                      : 5 Jan 2026 21:04:09.007"));
    EXPECT_EQ(h[4], QStringLiteral("Nombre d'images indiv.          : 1"));
    EXPECT_EQ(h[5], QStringLiteral("Mode Boucle                     : N"));
    EXPECT_EQ(h[6], QStringLiteral("Durée (poses longues uniquement): 12500 millisecondes"));
    EXPECT_EQ(h[8], QStringLiteral("Intensité Minimale              : "));
    EXPECT_EQ(h[9], QStringLiteral("Intensité Maximale              : "));
    for (int i : {10, 11, 12, 13}) EXPECT_TRUE(h[i].endsWith(QStringLiteral(": N/A"))) << i;
    EXPECT_TRUE(h[15].endsWith(QStringLiteral(": N")));
    for (int i : {16, 17, 18}) EXPECT_TRUE(h[i].endsWith(QStringLiteral(": O"))) << i;
    EXPECT_EQ(h[20], QStringLiteral("Type de suivi                   : Aucun"));
    EXPECT_TRUE(h[21].endsWith(QStringLiteral(": N/A")));
    EXPECT_TRUE(h[22].endsWith(QStringLiteral(": N")));
    for (int i : {24, 25, 26, 27}) EXPECT_TRUE(h[i].endsWith(QStringLiteral(": N/A"))) << i;
}

TEST(ParameterRecord, TrackingLinesFollowTheMethod)
{
    ParameterValues v = integrating();
    v.tracking = TrackingMethod::PixelBrillant;
    v.CKB_Inversion_Video = false;
    v.TNI_Taille_ZDetect = 41.5;
    QStringList h = parameterHeader(v, kWhen, QLocale::c());
    EXPECT_TRUE(h[20].endsWith(QStringLiteral(": Pixel Brillant")));
    EXPECT_TRUE(h[21].endsWith(QStringLiteral(": 41.5 pixels")));
    EXPECT_TRUE(h[22].endsWith(QStringLiteral(": N")));
    v.tracking = TrackingMethod::Other;
    h = parameterHeader(v, kWhen, QLocale::c());
    EXPECT_TRUE(h[20].endsWith(QStringLiteral(": Derive")));
    EXPECT_TRUE(h[21].endsWith(QStringLiteral(": N/A")));
    EXPECT_TRUE(h[22].endsWith(QStringLiteral(": N/A")));
}

TEST(ParameterRecord, RealsUseTheShortestFormUpTo15Digits)
{
    EXPECT_EQ(formatReal(0.1, QLocale::c()), QStringLiteral("0.1"));
    EXPECT_EQ(formatReal(2.0 / 3.0, kFrench), QStringLiteral("0,666666666666667"));
    EXPECT_EQ(formatReal(65535, kFrench), QStringLiteral("65535"));
}

TEST(ParameterRecord, WithoutARunEachRecordIsItsOwnFile)
{
    QTemporaryDir dir;
    ParameterRecordWriter writer(QLocale::c());
    const QString name = dir.path() + QStringLiteral("/jup7.par");
    ASSERT_TRUE(writer.WriteParameterRecord(name, dir.path() + QStringLiteral("/jup7"), integrating(), kWhen));
    const QStringList lines = readText(name).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 29); // 28 lines and the final line end
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Date/heure")));
    EXPECT_TRUE(lines[27].startsWith(QStringLiteral("Seuil de selection")));
    EXPECT_FALSE(readText(name).contains(QStringLiteral("Liste des images")));
}
