#pragma once
#include "core/Clock.h"
#include "simulator/MountModel.h"
#include "simulator/Seeing.h"
#include "simulator/StarGenerator.h"

#include <QImage>
#include <QPointF>
#include <array>
#include <cstdint>
#include <vector>

namespace velumbra {

// What the camera sees: the sky, a cap on the tube (darks), or an evenly lit
// panel in front of it (flats).
enum class CameraMode { Sky = 0, Cap = 1, Panel = 2 };
// The two sets of sensor lines of a long-exposure camera.
enum class LineSet { Odd = 0, Even = 1 };

// The telescope and sensor in front of the sky, as the observer describes
// them: a pixel of the given width behind the given total focal length, for
// a frame pixelsAcross wide. A narrower frame reads the same sensor binned,
// so its pixels are wider in proportion.
struct CameraOptics {
    double focalMm = 0;
    double pixelWidthUm = 0;
    double pixelsAcross = 0;
    bool known() const;
    // Arc seconds per pixel of a frame `width` pixels wide; 0 when unknown.
    double scaleFor(int width) const;
};

// The camera, its optics and the night.
struct SkyParameters {
    double scale = 1.5;         // image scale, arc seconds per pixel; follows the optics when they are known
    double orientation = 0.0;   // degrees: image direction in which the sky drifts westward
    double fieldRotation = 0.0; // degrees per minute the field turns about the frame's centre (an alt-azimuth mount)
    bool diagonal = false;      // a diagonal mirror in front of the camera turns the image over
    double seeing = 3.5;        // star FWHM from the atmosphere, arc seconds
    double jitter = 0.7;        // RMS of the seeing's image motion, arc seconds
    double seeingSpread = 1.0;  // how much the seeing's width varies from moment to moment (1: a usual night)
    double exposureMs = 40.0;   // integration time of one frame
    double background = 8.0;    // sky glow at the centre, grey levels per second
    double readNoise = 2.5;     // standard deviation, grey levels
    double gain = 0.6;          // grey levels per photo-electron: sets the shot noise
    double bias = 4.0;          // black level of an empty read
    double darkCurrent = 1.5;   // thermal signal, grey levels per second
    int hotPixels = 12;
    double vignetting = 0.25;   // fraction of light lost in the corners
    int dustShadows = 4;        // out-of-focus dust rings on the sensor window
    CameraMode mode = CameraMode::Sky;
    double panelLevel = 150.0;  // flat panel light at the centre, grey levels per reference exposure
    double defocusPerStep = 0.06; // blur diameter, arc seconds per focuser step from best focus
    bool planet = false;        // the mount looks at the planet, alone in the planetary camera's view
    double planetRadius = 60.0; // pixels: planets are imaged at their own, long focal length
};

// A webcam on a telescope under the simulated sky. Light follows the order
// of a real sensor: photons from the sky, the stars and the planet, summed
// over the exposure along the mount's true path and the seeing's motion;
// shot noise of that light and of the thermal signal; read noise; gain;
// clipping at 255; quantisation. Vignetting, dust shadows and hot pixels
// belong to the sensor and stay put whatever the sky does, so darks taken
// with the cap on and flats taken on the panel correct the sky frames.
// Everything follows from the seed and the clock.
class SkySimulator {
public:
    // The sky of the program's simulated camera and of the batch command's.
    static constexpr uint32_t kDefaultSeed = 20260101u;

    SkySimulator(const Clock& clock, uint32_t seed = kDefaultSeed);

    const SkyParameters& parameters() const { return params_; }
    void setParameters(const SkyParameters& parameters);
    void setExposureMs(double ms);
    MountModel& mount() { return mount_; }
    // The optics the camera looks through: from now on every frame's scale
    // follows them and the frame's width. Unknown optics keep the scale of
    // the parameters.
    void setOptics(const CameraOptics& optics) { optics_ = optics; }
    const CameraOptics& optics() const { return optics_; }

    // Long exposure: while a line set is low its lines integrate; when it
    // rises they are read out, and the next frame carries the whole
    // exposure in those lines. Lines still integrating read empty.
    void setIntegrating(LineSet set, bool low);
    bool integrating(LineSet set) const { return lines_[std::size_t(set)].low; }
    // The camera's cable: unplugged, it delivers nothing and cannot be opened.
    void setCameraPlugged(bool plugged) { cameraPlugged_ = plugged; }
    bool cameraPlugged() const { return cameraPlugged_; }
    // Whether sensor row y of a frame height high belongs to the odd set.
    static bool oddLine(int y, int height);

    // Renders the next frame into the top-left width x height of target (Format_RGB32).
    void render(QImage& target, int width, int height);

    // Where star id is on a width x height frame now, without the seeing's
    // motion; far outside the frame for a star behind the camera.
    QPointF starPosition(int id, int width, int height);
    // The brightest star at least margin pixels inside the frame whose
    // peak at the current exposure stays below maxPeak grey levels; -1 if none.
    int brightestStarInView(int width, int height, int margin = 20, double maxPeak = 1e300);
    // The ids of the stars at least margin pixels inside the frame now, brightest first.
    std::vector<int> starsInView(int width, int height, int margin = 20);
    // Where the planet's centre is now.
    QPointF planetPosition(int width, int height);
    // The orientation at mount time t (seconds): the field's turn added.
    double orientationAt(double seconds) const;
    // A star's light summed over the current exposure, grey levels before vignetting.
    double starFlux(int id) const;
    // The night's seeing FWHM in pixels, and the blur diameter of the focuser's distance from best focus.
    double seeingFwhmPixels() const;
    double defocusDiameterPixels();
    // The truth of the last frame rendered: the seeing's blur (Gaussian
    // sigma, pixels) and its mean image motion (pixels), over the exposure.
    double lastFrameBlur() const { return lastBlur_; }
    QPointF lastFrameShift() const { return lastShift_; }
    // Frames rendered so far.
    uint32_t frameCount() const { return frame_; }

private:
    bool cameraPlugged_ = true;
    struct LineState {
        bool low = false;
        double since = 0;
        bool pending = false;
        double from = 0, to = 0;
    };
    struct Projection; // one pose of the optics on this frame
    void followOptics(int width);
    void prepareSize(int width, int height);
    void prepareStars(const OpticsPose& a, const OpticsPose& b, int width, int height);
    void expose(QImage& target, int width, int height, int rowSet, double from, double to);
    void addLight(int width, int height, double from, double to);
    void addStar(const SkyStar& star, double x, double y, double flux, double alpha, double defocus,
                 double edge, int width, int height);
    void addPlanetDisc(double x, double y, double weight, const Projection& p, int width, int height);
    void blurPlanet(double sigma, int width, int height);
    void readOut(QImage& target, int width, int height, int rowSet, double seconds);
    void markLight(int x0, int x1, int y0, int y1);
    void clearLight(int width, int height);
    bool project(const Projection& p, Vec3 direction, double& x, double& y) const;
    Projection projectionNow(int width, int height);

    uint32_t seed_;
    SkyParameters params_;
    CameraOptics optics_;
    MountModel mount_;
    SeeingModel seeing_;
    StarGenerator generator_;
    std::array<LineState, 2> lines_{};
    uint32_t frame_ = 0;
    double lastBlur_ = 0;
    QPointF lastShift_;
    // Kept between frames: the stars about the field and the sensor maps.
    std::vector<SkyStar> stars_;
    Vec3 starsCentre_;
    double starsRadius_ = -1;
    int preparedWidth_ = 0, preparedHeight_ = 0;
    SkyParameters preparedFor_;
    std::vector<float> response_; // vignetting and dust, per pixel
    std::vector<float> thermal_;  // grey levels per second, per pixel
    std::vector<float> light_;    // three planes (blue, green, red) of the frame's light
    std::vector<float> planet_;   // the planet's light before the seeing blur
    std::vector<float> blurRow_;
    std::vector<float> zeros_;      // a row without drawn light
    std::vector<uint32_t> touched_; // per row, the blocks of kLightBlock pixels holding drawn light
    int planetX0_ = 0, planetX1_ = -1, planetY0_ = 0, planetY1_ = -1; // drawn part of planet_
};

} // namespace velumbra
