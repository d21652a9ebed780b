// The record's values read from the image core, as the result window and
// the batch command gather them.
#include "results/CoreParameters.h"
#include "simulator/StarField.h"
#include "processing/CoreStages.h"

#include <gtest/gtest.h>

using namespace velumbra;

TEST(CoreParameters, CountFollowsTheModeAndTrackingNamesTheMethod)
{
    ManualClock clock;
    ImageCore core(clock);
    core.buffers.setFrameSize(320, 240);
    core.zone.displayZone = {12, 30, 200, 180};
    core.integrator.stats.frameCount[Light] = 7;
    core.integrator.stats.frameCount[Dark] = 4;
    core.loop.loopCount = 3;
    auto& s = core.controls.GRB_Seuils;
    s.TNI_Min = 11;
    s.TNI_Max = 900;
    s.TNI_Seuil_Min = 20;
    s.TNI_Seuil_Max = 800;
    s.RDB_NB = true;
    s.CKB_Green = false;
    core.controls.TNI_MaxDark = 60;

    core.controls.integration.CKB_Integration = true;
    ParameterValues v = parameterValuesOf(core, 201, 151);
    EXPECT_EQ(v.imageWidth, 320);
    EXPECT_EQ(v.resultWidth, 201);
    EXPECT_EQ(v.resultHeight, 151);
    EXPECT_EQ(v.displayZoneLeft, 12);
    EXPECT_EQ(v.displayZoneTop, 30);
    EXPECT_EQ(v.EDT_NBCaps, QStringLiteral("7"));
    EXPECT_EQ(v.TNI_Dark, 4);
    EXPECT_EQ(v.TNI_MaxDark, 60);
    EXPECT_EQ(v.TNI_Min, 11);
    EXPECT_EQ(v.TNI_Max, 900);
    EXPECT_EQ(v.TNI_Seuil_Min, 20);
    EXPECT_EQ(v.TNI_Seuil_Max, 800);
    EXPECT_TRUE(v.RDB_NB);
    EXPECT_FALSE(v.CKB_Green);

    // Loop mode counts the ring; dark mode the dark frames.
    core.controls.integration.RDB_Unique = false;
    core.controls.integration.RDB_Boucle = true;
    EXPECT_EQ(parameterValuesOf(core, 1, 1).EDT_NBCaps, QStringLiteral("3"));
    core.controls.integration.RDB_Boucle = false;
    core.controls.integration.RDB_Dark = true;
    EXPECT_EQ(parameterValuesOf(core, 1, 1).EDT_NBCaps, QStringLiteral("4"));

    // Somme Axes first, then Pixel Brillant; any other method is recorded as drift.
    auto& t = core.controls.tracking;
    t.RDB_Somax = true;
    t.RDB_Colimacon = true;
    EXPECT_EQ(parameterValuesOf(core, 1, 1).tracking, TrackingMethod::SommeAxes);
    t.RDB_Somax = false;
    EXPECT_EQ(parameterValuesOf(core, 1, 1).tracking, TrackingMethod::PixelBrillant);
    t.RDB_Colimacon = false;
    t.RDB_Cadres = true;
    EXPECT_EQ(parameterValuesOf(core, 1, 1).tracking, TrackingMethod::Other);
}

// The record's quality lines read the figures of the last selected frame,
// not those of frames rejected after it.
TEST(CoreParameters, QualityLinesTellTheLastSelectedFrame)
{
    ManualClock clock;
    ImageCore core(clock);
    CoreStages stages(core);
    core.pipeline.setStages(&stages);
    core.buffers.create();
    core.buffers.setFrameSize(640, 480);
    renderStarField(core.buffers.frameSlots[0], 640, 480, 6, 150);
    core.zone.starPos = {320, 240};
    core.flags.targetActive = true;
    core.controls.CKB_Selection = true;
    core.controls.selection.SPED_Nb_Mesures = 2;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(core.pipeline.ProcessFrame(true));
    const QualityFigures kept = core.quality.figures();
    ASSERT_GT(kept.TNI_Meilleure_Qualite, 0);
    // A darker frame, rejected: the figures move, the record does not.
    core.buffers.frameSlots[0].fill(Qt::black);
    core.controls.TNI_Seuil_Selection = kept.TNI_Qualite_Actuelle;
    ASSERT_FALSE(core.pipeline.ProcessFrame(true));
    ASSERT_NE(core.quality.figures().TNI_Qualite_Actuelle, kept.TNI_Qualite_Actuelle);

    const QLocale c = QLocale::c();
    const QStringList lines = parameterHeader(parameterValuesOf(core, 640, 480), QDateTime(), c);
    auto valueOn = [&](const char* label) {
        for (const QString& line : lines)
            if (line.startsWith(QString::fromUtf8(label))) return line.section(QLatin1Char(':'), 1).trimmed();
        return QStringLiteral("missing");
    };
    EXPECT_EQ(valueOn("Qualité de l'image"), formatReal(kept.TNI_Qualite_Actuelle, c));
    EXPECT_EQ(valueOn("Meilleure image"), formatReal(kept.TNI_Meilleure_Qualite, c));
    EXPECT_EQ(valueOn("Plus mauvaise image"), formatReal(kept.TNI_Pire_Qualite, c));
    core.pipeline.setStages(nullptr);
}
