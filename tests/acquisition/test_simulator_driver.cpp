#include "core/ImageBuffers.h"
#include "acquisition/SimulatorDriver.h"
#include "simulator/SkySimulator.h"

#include <gtest/gtest.h>

using namespace velumbra;

TEST(SimulatorDriver, OffersFourFormatsAndSetsTheSkyFromItsControls)
{
    ManualClock clock;
    SkySimulator sky(clock, 1);
    SimulatorDriver driver(sky);
    QImage img(800, 600, kPixelFormat);
    EXPECT_EQ(driver.grab(img, 0), GrabResult::Failed); // not connected
    ASSERT_TRUE(driver.connect());
    EXPECT_EQ(driver.readFormat().width, 640);
    const auto formats = driver.formatChoices();
    ASSERT_EQ(formats.size(), 4u);
    EXPECT_EQ(formats.back().width, 1024);
    ASSERT_TRUE(driver.applyFormat(formats.back()));
    EXPECT_EQ(driver.readFormat().height, 768);
    // A frame larger than the bitmap is never drawn.
    EXPECT_EQ(driver.grab(img, 0), GrabResult::NoFrame);
    ASSERT_TRUE(driver.applyFormat(formats[0]));
    EXPECT_EQ(driver.grab(img, 0), GrabResult::Frame);

    for (const DriverControl& c : driver.controls())
        if (c.name.startsWith(QStringLiteral("Suivi"))) {
            EXPECT_EQ(c.kind, DriverControl::Kind::CheckBox);
            EXPECT_TRUE(driver.setControl(c.id, 0));
        }
    EXPECT_FALSE(sky.mount().tracking());
    EXPECT_FALSE(driver.setControl(999, 1));
}

// Given the program's optics, the camera draws at their scale for its format,
// and its own scale slider goes: a value set there would not hold.
TEST(SimulatorDriver, TheOpticsSetTheScaleOfEveryFormat)
{
    ManualClock clock;
    SkySimulator sky(clock, 1);
    SimulatorDriver driver(sky);
    ASSERT_TRUE(driver.connect());
    const auto hasScaleSlider = [&driver] {
        for (const DriverControl& c : driver.controls())
            if (c.name.startsWith(QStringLiteral("Echantillonnage"))) return true;
        return false;
    };
    EXPECT_TRUE(hasScaleSlider());
    sky.setOptics({2000, 7.4, 640});
    EXPECT_FALSE(hasScaleSlider());
    EXPECT_FALSE(driver.setControl(1, 5.0));
    QImage img(800, 600, kPixelFormat);
    for (const auto& [width, scale] : {std::pair{640, 0.7632}, {320, 1.5264}}) {
        ASSERT_TRUE(driver.applyFormat({driver.currentFormat().pixelFormat, {}, width, width * 3 / 4}));
        ASSERT_EQ(driver.grab(img, 0), GrabResult::Frame);
        EXPECT_NEAR(sky.parameters().scale, scale, 5e-5) << width;
    }
}
