#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

namespace velumbra {

// SER video files: a 178-byte header, the frames one after the other, then
// a trailer of one UTC time per frame. Times are .NET ticks: 100 ns since
// 0001-01-01 00:00 UTC. The program records 8-bit frames, blue-green-red
// or mono, little-endian.
inline constexpr int kSerHeaderSize = 178;
inline constexpr int kSerTextSize = 40; // observer, instrument, telescope

enum SerColour : int32_t { SerMono = 0, SerRgb = 100, SerBgr = 101 };

int64_t serTicks(const QDateTime& time);
QDateTime fromSerTicks(int64_t ticks); // UTC; invalid outside the years 1..9999

struct SerHeader {
    int32_t luId = 0;
    int32_t colourId = SerBgr;
    int32_t littleEndian = 1;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pixelDepth = 8; // bits per plane
    int32_t frameCount = 0;
    QByteArray observer, instrument, telescope; // at most 40 bytes each
    int64_t dateTime = 0;    // local time of the start
    int64_t dateTimeUtc = 0; // UTC time of the start

    // 3 for RGB and BGR, else 1 (mono and the raw mosaics, 8..19).
    int planes() const;
    // Bytes of one frame; 0 when the fields cannot describe a frame.
    int64_t frameBytes() const;
};

QByteArray encodeSerHeader(const SerHeader& header);
// False, with `error` set, for anything shorter than a header or without
// the file id; fields are taken as they are (the reader checks them).
bool decodeSerHeader(const QByteArray& bytes, SerHeader& header, QString& error);

// Records frames as they arrive. The file grows under a temporary name
// beside the target (`target.part-…`) with the frame count 0 in its header:
// a recording cut by a crash stays readable up to its last whole frame.
// finish() writes the trailer and the count, then renames the file onto the
// target (through a link, onto the file the link names).
class SerRecorder {
public:
    SerRecorder() = default;
    ~SerRecorder(); // an unfinished recording is finished
    SerRecorder(const SerRecorder&) = delete;
    SerRecorder& operator=(const SerRecorder&) = delete;

    // A device, a folder or anything but a regular file at `path` is refused.
    bool start(const QString& path, int width, int height, bool colour, const QDateTime& start,
               const QByteArray& instrument = QByteArray());
    // The top-left width x height of an RGB32 frame, stamped with `time`.
    bool addFrame(const QImage& frame, const QDateTime& time);
    bool finish();
    // Drops the recording and its temporary file (the target is left as it was).
    void abandon();

    bool recording() const { return file_.isOpen(); }
    int frames() const { return int(times_.size()); }
    int width() const { return header_.width; }
    int height() const { return header_.height; }
    const QString& target() const { return target_; }
    QString temporaryName() const { return file_.fileName(); }
    const QString& errorString() const { return error_; }

private:
    bool fail(const QString& why);

    SerHeader header_;
    QFile file_;
    QString target_;
    QByteArray frameBuffer_;
    std::vector<int64_t> times_;
    QString error_;
};

// Reads a SER file frame by frame. How many frames it holds: the header's
// count when the file has those frames and the trailer after them (the
// times are then read); when the count is 0 (a recording cut before its
// end) or the trailer is missing, the whole frames the length allows. A
// count above that is reported by announcedMissing(): those frames are lost.
class SerReader {
public:
    bool open(const QString& path);
    const SerHeader& header() const { return header_; }
    int frameCount() const { return frameCount_; }
    // Frames the header announces that the file does not hold.
    int announcedMissing() const { return missing_; }
    bool hasTimes() const { return !times_.empty(); }
    QDateTime frameTime(int index) const; // invalid without times
    // Frame `index` into the top-left of `target` (RGB32, large enough);
    // mono and raw frames give grey pixels.
    bool readFrame(int index, QImage& target);
    const QString& errorString() const { return error_; }

    // Largest frame the reader accepts, so that no header can ask for more memory.
    static constexpr int kMaxSide = 8192;

private:
    QFile file_;
    SerHeader header_;
    int64_t frameBytes_ = 0;
    int frameCount_ = 0;
    int missing_ = 0;
    std::vector<int64_t> times_;
    QByteArray buffer_;
    QString error_;
};

} // namespace velumbra
