#pragma once
#include "simulator/SkySimulator.h"
#include "acquisition/VideoDriver.h"

#include <QTimer>

namespace velumbra {

// The sky simulator as a camera: "Simulateur de ciel".
class SimulatorDriver final : public VideoDriver {
public:
    explicit SimulatorDriver(SkySimulator& sky);
    ~SimulatorDriver() override;

    static QString driverName() { return QStringLiteral("Simulateur de ciel"); }
    static QString driverVersion() { return QStringLiteral("1.0"); }

    bool connect() override;
    void disconnect() override;
    bool isConnected() const override { return connected_; }
    VideoFormat readFormat() override;
    GrabResult grab(QImage& target, int timeoutMs) override;
    bool startStream(int framePeriodUs, std::function<void()> frameReady) override;
    void stopStream() override;
    bool isStreaming() const override { return streamTimer_.isActive(); }
    std::vector<FormatChoice> formatChoices() override;
    FormatChoice currentFormat() override { return format_; }
    bool applyFormat(const FormatChoice& choice) override;
    std::vector<DriverControl> controls() override;
    bool setControl(uint32_t id, double value) override;
    QString lastError() const override { return error_; }

    SkySimulator& sky() { return sky_; }

private:
    SkySimulator& sky_;
    bool connected_ = false;
    FormatChoice format_;
    QTimer streamTimer_;
    std::function<void()> frameReady_;
    QString error_;
};

} // namespace velumbra
