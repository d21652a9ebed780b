#pragma once
#include "acquisition/VideoDriver.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct v4l2_capability;
struct v4lconvert_data;

namespace velumbra {

// The chooser's text for a V4L2 device: the card name, a blank and the
// driver version as major.minor.patch.
QString describeV4l2Device(const v4l2_capability& caps);
// A device that can capture video frames (not a metadata or output node).
bool isV4l2CaptureDevice(const v4l2_capability& caps);

struct V4l2DeviceEntry {
    QString path;
    QString description;
};
// /dev/video0 .. /dev/video9 that answer as capture devices, in index order.
// probe opens a path and reads its capabilities; it returns nothing when the
// node is absent or refuses.
std::vector<V4l2DeviceEntry> enumerateV4l2Devices(
    const std::function<std::optional<v4l2_capability>(const QString& path)>& probe);

// Bits per pixel of a native pixel format, 0 when compressed or unknown.
int v4l2BitsPerPixel(uint32_t pixelFormat);

// The format to use after connecting: the current one when it fits the
// buffers, else the largest that fits (640 x 480 first at equal size), an
// uncompressed one before a compressed one. Nothing when none fits.
std::optional<FormatChoice> chooseV4l2Format(const std::vector<FormatChoice>& available,
                                              const FormatChoice& current, int maxWidth, int maxHeight);

// Native frames to 24-bit colour through libv4lconvert. Built on a device's
// descriptor, or detached (no device) to convert buffers from elsewhere.
class FrameConverter {
public:
    explicit FrameConverter(int fd);
    static FrameConverter detached();
    ~FrameConverter();
    FrameConverter(FrameConverter&& other) noexcept;
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;
    FrameConverter& operator=(FrameConverter&&) = delete;

    bool valid() const { return data_ != nullptr; }
    // Decodes one frame of the given native format into the top-left corner
    // of target (Format_RGB32). False when the frame cannot be decoded.
    bool convert(const uint8_t* source, size_t sourceSize, uint32_t pixelFormat, int width, int height,
                 int bytesPerLine, QImage& target);
    QString lastError() const;

private:
    FrameConverter() = default;
    v4lconvert_data* data_ = nullptr;
    std::vector<uint8_t> bgr_; // grows with the frame size, then stays
};

} // namespace velumbra
