// Closed-loop guiding on the simulated sky: a drive with a periodic error of
// ±10 arc seconds over 8 minutes, tracking on, twenty minutes unguided and
// twenty guided after a calibration, through the LX200 mount and again
// through the serial guide box. The star's true position comes from the
// simulator; guided, its RMS error in right ascension must be at most a
// quarter of the unguided one, and the calibration's speeds must be within
// 5 % of the simulated mount's true rates.
//
// With VELUMBRA_GUIDE_LOG_DIR set, the runs' guide logs are left there
// (scripts/plot-guiding draws them); otherwise in a temporary folder.
#include "GuidingRig.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

namespace velumbra::test {
namespace {

constexpr int kFrameMs = 250;
constexpr int kRunMinutes = 20;
constexpr double kOrientation = 25; // degrees: the sky's drift direction on the image

SkyParameters loopSky() { return guidingSky(kOrientation); }
SimulatedMount loopMount() { return wormDrive(); }

struct RunFigures {
    double rmsRaAboutReference = 0; // arc seconds, from where guiding holds the star
    double rmsRaAboutMean = 0;
    double rmsDecAboutReference = 0;
    int corrections = 0;
    QString logPath;
};

QString logFolder(QTemporaryDir& temp)
{
    const QByteArray wanted = qgetenv("VELUMBRA_GUIDE_LOG_DIR");
    if (wanted.isEmpty()) return temp.path();
    QDir().mkpath(QString::fromLocal8Bit(wanted));
    return QString::fromLocal8Bit(wanted);
}

class ClosedLoop : public ::testing::Test {
protected:
    QTemporaryDir temp;

    // Straight through the telescope: no axis is inverted.
    void prepare(GuidingRig& rig)
    {
        // "Connecter" first, as a user does: the link comes up at the guide rate.
        ASSERT_TRUE(rig.mount.mount_connect(Mount::ConnectCause::Button));
    }

    // Ten seconds per direction, then each measured speed against the rate
    // of the direction the mount really moved.
    void calibrate(GuidingRig& rig)
    {
        rig.durationTest = 10000;
        rig.calibrate(kFrameMs, 200);
        ASSERT_EQ(rig.messages.lines.last(), QStringLiteral("Execution terminée"));
        const double measured[] = {rig.settings.TNI_Vitesse_Est, rig.settings.TNI_Vitesse_Ouest,
                                   rig.settings.TNI_Vitesse_Nord, rig.settings.TNI_Vitesse_Sud};
        for (MoveDirection d : {East, West, North, South}) {
            const double truth = rig.simMount.rate(swapped(d, rig.settings));
            std::printf("  calibration %-5s measured %.3f true %.3f arcsec/s (%+.1f %%)\n",
                        directionName(d).toUtf8().constData(), measured[d], truth, 100 * (measured[d] / truth - 1));
            EXPECT_NEAR(measured[d], truth, 0.05 * truth) << directionName(d).toStdString();
        }
    }

    RunFigures guide(GuidingRig& rig, bool corrections)
    {
        GuideSettings s;
        s.SPED_Neutre = 0;
        s.CKB_Correct_Est = s.CKB_Correct_Ouest = s.CKB_Correct_Nord = s.CKB_Correct_Sud = corrections;
        s.TNI_Orient = kOrientation;
        s.TNI_Echantillonnage = rig.sky.parameters().scale;
        rig.guider.settingsSource = [s] { return s; };
        rig.core.controls.SPED_Intervalle_Guidage = 4; // a correction a second
        rig.core.controls.CKB_Autoguidage = true;
        GuideLogSetup setup{rig.settings, s, 4};
        rig.guider.start(&setup, logFolder(temp));

        const Point reference = rig.core.zone.starPos;
        const double t = kOrientation * std::numbers::pi / 180;
        const double scale = rig.sky.parameters().scale;
        double sumRa = 0, sumRa2 = 0, sumDec2 = 0;
        const int frames = kRunMinutes * 60 * 1000 / kFrameMs;
        for (int n = 0; n < frames; ++n) {
            rig.frame(kFrameMs);
            const QPointF p = rig.truth();
            const double x = p.x() - reference.x, y = p.y() - reference.y;
            const double ra = (x * std::cos(t) + y * std::sin(t)) * scale;
            const double dec = (-x * std::sin(t) + y * std::cos(t)) * scale;
            sumRa += ra;
            sumRa2 += ra * ra;
            sumDec2 += dec * dec;
        }
        RunFigures f;
        f.rmsRaAboutReference = std::sqrt(sumRa2 / frames);
        const double mean = sumRa / frames;
        f.rmsRaAboutMean = std::sqrt(std::max(0.0, sumRa2 / frames - mean * mean));
        f.rmsDecAboutReference = std::sqrt(sumDec2 / frames);
        f.logPath = rig.guider.log().path();
        rig.guider.stop();
        rig.core.controls.CKB_Autoguidage = false;
        EXPECT_FALSE(rig.guider.starLost());
        return f;
    }

    void report(const char* what, const RunFigures& f)
    {
        std::printf("  %-28s RA RMS %.2f\" (about its mean %.2f\"), Dec RMS %.2f\"  log %s\n", what,
                    f.rmsRaAboutReference, f.rmsRaAboutMean, f.rmsDecAboutReference, qPrintable(f.logPath));
        RecordProperty(std::string(what) + " RA RMS", std::to_string(f.rmsRaAboutReference));
    }

    RunFigures unguided()
    {
        GuidingRig rig(MountInterface::LX200, loopSky(), loopMount());
        EXPECT_GE(rig.star, 0);
        if (rig.star < 0) return {};
        prepare(rig);
        const RunFigures f = guide(rig, false);
        report("unguided", f);
        // ±10" of sine: 7.07" about its mean.
        EXPECT_NEAR(f.rmsRaAboutMean, 10 / std::sqrt(2.0), 1.0);
        return f;
    }

    void guidedThrough(MountInterface kind, const char* what)
    {
        const RunFigures free = unguided();
        GuidingRig rig(kind, loopSky(), loopMount());
        ASSERT_GE(rig.star, 0);
        prepare(rig);
        calibrate(rig);
        const RunFigures g = guide(rig, true);
        report(what, g);
        EXPECT_LE(g.rmsRaAboutReference, free.rmsRaAboutMean / 4);
        EXPECT_LE(g.rmsDecAboutReference, 2.0);
    }
};

TEST_F(ClosedLoop, ThroughTheLx200Mount)
{
    guidedThrough(MountInterface::LX200, "guided, LX200");
}

TEST_F(ClosedLoop, ThroughTheSerialGuideBox)
{
    guidedThrough(MountInterface::Tolvir, "guided, serial guide box");
}

} // namespace
} // namespace velumbra::test
