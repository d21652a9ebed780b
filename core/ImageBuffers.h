#pragma once
#include <QDateTime>
#include <QImage>
#include <array>
#include <cstdint>

namespace velumbra {

// Every buffer is sized for the largest frame accepted; the current frame
// size (imageWidth x imageHeight) only limits how much of it is used.
inline constexpr int kMaxFrameWidth = 800;
inline constexpr int kMaxFrameHeight = 600;

// Pixels are QImage::Format_RGB32: four bytes blue, green, red, unused.
// QPainter's raster operations (merge paint, not-xor pens) work on it.
inline constexpr QImage::Format kPixelFormat = QImage::Format_RGB32;
inline constexpr int kBytesPerPixel = 4;
inline constexpr int kBlue = 0, kGreen = 1, kRed = 2;

inline uint8_t* pixelRow(QImage& image, int y) { return image.scanLine(y); }
inline const uint8_t* pixelRow(const QImage& image, int y) { return image.constScanLine(y); }

class ImageBuffers {
public:
    static constexpr int kSlotCount = 3;

    // Creates each bitmap that does not exist yet; the frame slots are
    // cleared to black after creation. Safe to call again.
    void create();
    void release();
    bool created() const { return !frameSlots[0].isNull(); }

    // Current frame size, never above 800 x 600.
    int imageWidth = 0;
    int imageHeight = 0;
    // Sets the frame size, clamped to the buffers. Returns false if clamped.
    bool setFrameSize(int width, int height);

    std::array<QImage, kSlotCount> frameSlots;
    // When the frame now in slot 0 was taken, as its source knows it (the
    // camera's own time); invalid when the source does not say, and once the
    // frame routine took it.
    QDateTime frameTime;
    QImage zoneFrame;       // display zone cut out of slot 0, placed at zoneRect
    QImage reticleLayer;    // reticle drawing on white
    QImage zoneLayer;       // dotted outline of the display zone on white
    QImage motionReference; // reference image of motion detection
    QImage display;         // picture of the live image Image1
    QImage result;          // picture of the result image Image3
    // Shown size of the result image; follows the display zone.
    int resultWidth = 320;
    int resultHeight = 240;

    void clearDisplay() { display.fill(Qt::black); }
    void clearSlot(int slot) { frameSlots[slot].fill(Qt::black); }
    void clearResult() { result.fill(Qt::black); }
    void whitenReticle() { reticleLayer.fill(Qt::white); }

private:
    static void ensure(QImage& image, Qt::GlobalColor fill);
};

} // namespace velumbra
