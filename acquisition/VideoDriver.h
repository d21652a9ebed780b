#pragma once
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace velumbra {

// The driver's video format as read after connecting.
struct VideoFormat {
    int width = 0;
    int height = 0;
    int bitCount = 0;        // bits per pixel of the native format
    uint32_t pixelFormat = 0; // four-character code of the native format
    bool valid() const { return width > 0 && height > 0; }
};

// One entry of the format dialog: a native pixel format at one frame size.
struct FormatChoice {
    uint32_t pixelFormat = 0;
    QString description; // "YUYV 4:2:2", "Motion-JPEG", ...
    int width = 0;
    int height = 0;
    friend bool operator==(const FormatChoice& a, const FormatChoice& b)
    {
        return a.pixelFormat == b.pixelFormat && a.width == b.width && a.height == b.height;
    }
};

// One setting of the source dialog (exposure, gain, sky parameters, ...).
struct DriverControl {
    enum class Kind { Slider, CheckBox, Menu };
    // One entry of a menu: the value the control takes, and its text.
    struct Item {
        int value = 0;
        QString label;
        friend bool operator==(const Item&, const Item&) = default;
    };
    uint32_t id = 0;
    QString name;
    Kind kind = Kind::Slider;
    double minimum = 0;
    double maximum = 1;
    double step = 1;
    double value = 0;
    std::vector<Item> items = {}; // Menu: the entries the driver supports, values may skip
    // Not applicable in the current setting (a manual exposure time while the
    // exposure is automatic): shown greyed.
    bool enabled = true;
    // Changing it may change others: the dialog reads them all again.
    bool updatesOthers = false;
    // The language file's name for a control the program defines itself
    // (empty for a camera's own): its label is named LBL_ + key.
    QString key = {};
};

enum class GrabResult {
    Frame,   // a frame was decoded into the target
    NoFrame, // nothing arrived in time or the frame could not be decoded; try again later
    Failed,  // the device failed or disappeared: capture must stop
};

// A video capture driver: a webcam or the sky simulator. Everything runs on
// the user-interface thread.
class VideoDriver {
public:
    virtual ~VideoDriver() = default;

    virtual bool connect() = 0;
    virtual void disconnect() = 0;
    virtual bool isConnected() const = 0;

    virtual VideoFormat readFormat() = 0;

    // Decodes the next frame to 24-bit colour in the top-left corner of
    // target (Format_RGB32, large enough for the format), waiting at most
    // timeoutMs for it.
    virtual GrabResult grab(QImage& target, int timeoutMs) = 0;

    // Streaming: frameReady is called on the user-interface thread each time
    // a frame can be grabbed without waiting.
    virtual bool startStream(int framePeriodUs, std::function<void()> frameReady) = 0;
    virtual void stopStream() = 0;
    virtual bool isStreaming() const = 0;

    // Data of the format and source dialogs.
    virtual std::vector<FormatChoice> formatChoices() = 0;
    virtual FormatChoice currentFormat() = 0;
    virtual bool applyFormat(const FormatChoice& choice) = 0;
    virtual std::vector<DriverControl> controls() = 0;
    virtual bool setControl(uint32_t id, double value) = 0;

    // With on, a camera delivering a raw sensor mosaic hands it over
    // undecoded (each byte in all three colours) for the RAW step, so the
    // colour is rebuilt once.
    virtual void setRawMosaic(bool /*on*/) {}

    // When the frame last grabbed was taken, as the device says it (a camera
    // stamping its frames); invalid when the device does not say.
    virtual QDateTime frameTime() const { return {}; }

    // The cause of the last failure, for the message panel.
    virtual QString lastError() const = 0;
};

// The list of drivers the chooser shows, and the factory behind it.
class VideoDriverCatalogue {
public:
    virtual ~VideoDriverCatalogue() = default;
    // Entries in index order: name, a blank and the version.
    virtual QStringList describeDrivers() = 0;
    // The driver of entry index (as last described), or null.
    virtual std::unique_ptr<VideoDriver> createDriver(int index) = 0;
};

// Four-character code as text ("YUYV").
QString fourccText(uint32_t code);
constexpr uint32_t fourcc(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16)
         | (uint32_t(uint8_t(d)) << 24);
}

} // namespace velumbra
