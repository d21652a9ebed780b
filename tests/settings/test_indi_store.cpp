// The [INDI] section of the settings file: its own keys, the others untouched.
#include "IniFixture.h"

#include "settings/IndiStore.h"

namespace velumbra::test {
namespace {

using IndiStore = IniFixture;

TEST_F(IndiStore, WritesItsOwnSectionAndReadsItBack)
{
    put("[Prefs]\nLangue=2\n[INDI]\nInconnu=x\n");
    IndiSettings s;
    s.host = QStringLiteral("pi.local");
    s.port = 7625;
    s.camera = QStringLiteral("CCD Simulator");
    s.mount = QStringLiteral("Telescope Simulator");
    s.cameraOptions.exposureMs = 250;
    s.cameraOptions.binning = 2;
    s.cameraOptions.frameX = 10;
    s.cameraOptions.mapping = IndiDepthMapping::Stretch;
    s.cameraOptions.stretchLow = 1000;
    s.cameraOptions.stretchHigh = 9000;
    {
        IniFile ini = open();
        saveIndiSettings(ini, s);
    }
    const QByteArray bytes = bytesOf();
    EXPECT_TRUE(bytes.startsWith("[Prefs]\nLangue=2\n[INDI]\nInconnu=x\nServeur=pi.local\nPort=7625\n")) << bytes.constData();
    IndiSettings back;
    loadIndiSettings(open(), back);
    EXPECT_EQ(back.host, s.host);
    EXPECT_EQ(back.port, 7625);
    EXPECT_EQ(back.camera, s.camera);
    EXPECT_EQ(back.mount, s.mount);
    EXPECT_EQ(back.focuser, QString());
    EXPECT_EQ(back.cameraOptions.exposureMs, 250);
    EXPECT_EQ(back.cameraOptions.binning, 2);
    EXPECT_EQ(back.cameraOptions.frameX, 10);
    EXPECT_EQ(back.cameraOptions.frameY, -1);
    EXPECT_EQ(back.cameraOptions.mapping, IndiDepthMapping::Stretch);
    EXPECT_EQ(back.cameraOptions.stretchLow, 1000);
    EXPECT_EQ(back.cameraOptions.stretchHigh, 9000);
}

TEST_F(IndiStore, MalformedValuesKeepDefaultsOrComeIntoRange)
{
    put("[INDI]\nServeur=\nPort=99999\nBinning=9\nPose_ms=0\nEtirement_Bas=500\nEtirement_Haut=100\nCodage_16=7\n");
    IndiSettings s;
    loadIndiSettings(open(), s);
    EXPECT_EQ(s.host, QStringLiteral("localhost"));
    EXPECT_EQ(s.port, 7624);
    EXPECT_EQ(s.cameraOptions.binning, 4);
    EXPECT_EQ(s.cameraOptions.exposureMs, 1);
    EXPECT_EQ(s.cameraOptions.stretchLow, 500);
    EXPECT_EQ(s.cameraOptions.stretchHigh, 501);
    EXPECT_EQ(s.cameraOptions.mapping, IndiDepthMapping::TopBits);
}

} // namespace
} // namespace velumbra::test
