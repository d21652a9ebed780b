#pragma once
#include "acquisition/FitsFrame.h"
#include "acquisition/VideoDriver.h"
#include "indi/IndiSettings.h"

#include <QDateTime>
#include <QObject>

namespace velumbra {

class IndiClient;
class MessageSink;
struct IndiBlob;

// The part of the sensor an INDI camera is asked for: at most the frame
// size (800 x 600) of binned pixels, centred or with its corner where the
// user put it. CCD_FRAME counts unbinned pixels.
struct IndiFrameRequest {
    int binning = 1;
    int x = 0, y = 0, width = 0, height = 0; // CCD_FRAME, unbinned pixels
    int outWidth = 0, outHeight = 0;        // the frame that arrives
};
IndiFrameRequest chooseIndiFrame(int sensorWidth, int sensorHeight, const IndiCameraOptions& options,
                                 int maxWidth, int maxHeight);

// An INDI camera as a video source: each frame a FITS BLOB (one exposure
// per grab, or exposures in a loop while streaming) read into a frame bitmap
// kept by the driver (allocated once). A camera offering a video stream
// (CCD_VIDEO_STREAM) streams with it instead of the exposure loop: raw 8-bit
// frames of the same subframe, at the exposure and rate asked.
class IndiCameraDriver final : public QObject, public VideoDriver {
    Q_OBJECT
public:
    enum ControlId : uint32_t { Exposure = 1, Gain, Binning, DepthMapping, StretchLow, StretchHigh, FrameX, FrameY };

    IndiCameraDriver(IndiClient& client, QString device, IndiCameraOptions& options, MessageSink& messages);
    ~IndiCameraDriver() override;

    static QString driverName() { return QStringLiteral("INDI"); }

    bool connect() override;
    void disconnect() override;
    bool isConnected() const override { return connected_; }
    VideoFormat readFormat() override;
    GrabResult grab(QImage& target, int timeoutMs) override;
    bool startStream(int framePeriodUs, std::function<void()> frameReady) override;
    void stopStream() override;
    bool isStreaming() const override { return looping_ || videoStream_; }
    std::vector<FormatChoice> formatChoices() override;
    FormatChoice currentFormat() override;
    bool applyFormat(const FormatChoice& choice) override;
    std::vector<DriverControl> controls() override;
    bool setControl(uint32_t id, double value) override;
    void setRawMosaic(bool on) override { rawMosaic_ = on; }
    QString lastError() const override { return error_; }

    const IndiFrameRequest& frameRequest() const { return request_; }
    // The camera offers a video stream; streaming uses it.
    bool offersVideoStream() const;
    // Streaming runs on the camera's video stream (not the exposure loop).
    bool videoStreamOn() const { return videoStream_; }
    // The time of the last frame handed out: the device's DATE-OBS, else its arrival.
    QDateTime frameTime() const override { return lastFrameTime_; }

private:
    void onBlob(const IndiBlob& blob);
    void onServerLost();
    bool applyGeometry();
    void sendFrame(int sensorWidth, int sensorHeight);
    void applyDepth();
    bool startExposure();
    bool startVideoStream(int framePeriodUs);
    void stopVideoStream();
    // A raw stream frame (8-bit grey or a mosaic, or 24-bit colour) into the
    // frame bitmap; false with the reason otherwise.
    bool readStreamFrame(const QByteArray& data, QString& why);
    bool fail(const QString& why);

    IndiClient& client_;
    QString device_;
    IndiCameraOptions& options_;
    MessageSink& messages_;
    bool connected_ = false;
    bool lost_ = false;
    bool looping_ = false;
    bool videoStream_ = false;
    bool inFlight_ = false;
    bool fresh_ = false;
    bool rawMosaic_ = false;
    std::function<void()> frameReady_;
    IndiFrameRequest request_;
    QImage latest_; // the last frame read, 800 x 600, allocated once
    FitsFrameInfo latestInfo_;
    QDateTime lastFrameTime_;
    DepthTable depth_;
    QString error_;
    QString frameProblem_; // the last refused frame's reason, said once
};

} // namespace velumbra
