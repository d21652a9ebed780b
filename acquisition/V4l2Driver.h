#pragma once
#include "acquisition/V4l2Formats.h"
#include "acquisition/V4l2Io.h"
#include "acquisition/V4l2Queue.h"
#include "acquisition/VideoDriver.h"

#include "indi/IndiSettings.h"

#include <QSocketNotifier>
#include <memory>
#include <optional>
#include <vector>

namespace velumbra {

class IndiClient;
class MessageSink;

class SkySimulator;

// A webcam through libv4l2: memory-mapped streaming, frames decoded by
// libv4lconvert. The device streams from connection on, so a grab takes the
// newest frame the camera delivered.
class V4l2Driver final : public VideoDriver {
public:
    explicit V4l2Driver(QString path, std::unique_ptr<V4l2Io> io = std::make_unique<LibV4l2Io>());
    ~V4l2Driver() override;

    bool connect() override;
    void disconnect() override;
    bool isConnected() const override { return fd_ >= 0; }
    VideoFormat readFormat() override;
    GrabResult grab(QImage& target, int timeoutMs) override;
    bool startStream(int framePeriodUs, std::function<void()> frameReady) override;
    void stopStream() override;
    bool isStreaming() const override { return notifier_ != nullptr; }
    std::vector<FormatChoice> formatChoices() override;
    FormatChoice currentFormat() override;
    bool applyFormat(const FormatChoice& choice) override;
    std::vector<DriverControl> controls() override;
    bool setControl(uint32_t id, double value) override;
    void setRawMosaic(bool on) override { rawMosaic_ = on; }
    QString lastError() const override { return error_; }

private:
    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
        size_t used = 0; // bytes of the last frame it held
    };
    bool xioctl(unsigned long request, void* arg);
    bool fail(const QString& what);
    GrabResult lost();
    bool queueBuffer(uint32_t index);
    bool decode(uint32_t index, QImage& target);
    bool setFormat(const FormatChoice& choice);
    bool startCapture();
    void stopCapture();
    void setFramePeriod(int framePeriodUs);

    QString path_;
    std::unique_ptr<V4l2Io> io_;
    int fd_ = -1;
    std::vector<Buffer> buffers_;
    std::vector<FilledBuffer> filled_; // taken from the queue in one grab; sized once
    BufferChoice choice_;
    bool rawMosaic_ = false;
    bool capturing_ = false;
    FormatChoice format_;
    int bytesPerLine_ = 0;
    std::unique_ptr<FrameConverter> converter_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QString error_;
};

// The chooser's list: V4L2 capture devices, the sky simulator, then the
// cameras of the INDI server when one is connected ("INDI <device>").
class SystemDriverCatalogue final : public VideoDriverCatalogue {
public:
    explicit SystemDriverCatalogue(SkySimulator& sky) : sky_(sky) {}
    QStringList describeDrivers() override;
    std::unique_ptr<VideoDriver> createDriver(int index) override;

    // The INDI connection: listing the drivers connects it (quietly) when
    // it is down, and waits a moment for the server's cameras.
    struct IndiCameras {
        IndiClient& client;
        IndiSettings& settings;
        MessageSink& messages;
    };
    void setIndi(std::optional<IndiCameras> indi) { indi_.reset(); if (indi) indi_.emplace(*indi); }
    // The list again, leaving a server that is down alone (the user disconnected it).
    QStringList describeWithoutConnecting();

private:
    SkySimulator& sky_;
    std::vector<V4l2DeviceEntry> devices_;
    std::optional<IndiCameras> indi_;
    bool indiAutoConnect_ = true;
    std::vector<QString> indiCameras_;
};

} // namespace velumbra
