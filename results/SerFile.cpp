#include "results/SerFile.h"
#include "core/ImageBuffers.h"
#include "core/SafeFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <sys/stat.h>

namespace velumbra {
namespace {

// Ticks from 0001-01-01 to 1970-01-01.
constexpr int64_t kTicksAtUnixEpoch = 621355968000000000LL;
constexpr int64_t kTicksPerMs = 10000;
constexpr char kFileId[] = "LUCAM-RECORDER";

QString tr(const char* text) { return QCoreApplication::translate("SerFile", text); }

void put32(char* at, int32_t v)
{
    const auto u = uint32_t(v);
    for (int i = 0; i < 4; ++i) at[i] = char((u >> (8 * i)) & 0xff);
}

void put64(char* at, int64_t v)
{
    const auto u = uint64_t(v);
    for (int i = 0; i < 8; ++i) at[i] = char((u >> (8 * i)) & 0xff);
}

int32_t get32(const char* at)
{
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | uint8_t(at[i]);
    return int32_t(u);
}

int64_t get64(const char* at)
{
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | uint8_t(at[i]);
    return int64_t(u);
}

void putText(char* at, const QByteArray& text)
{
    std::memset(at, 0, kSerTextSize);
    std::memcpy(at, text.constData(), std::size_t(std::min<qsizetype>(text.size(), kSerTextSize)));
}

QByteArray getText(const char* at)
{
    const char* end = static_cast<const char*>(std::memchr(at, '\0', kSerTextSize));
    return QByteArray(at, end ? int(end - at) : kSerTextSize);
}

bool rawMosaic(int32_t colourId) { return colourId >= 8 && colourId <= 19; }

} // namespace

int64_t serTicks(const QDateTime& time) { return time.toMSecsSinceEpoch() * kTicksPerMs + kTicksAtUnixEpoch; }

QDateTime fromSerTicks(int64_t ticks)
{
    // Years 1..9999: anything outside is no time a recording was made at.
    constexpr int64_t kLast = 3155378975999999999LL;
    if (ticks < 0 || ticks > kLast) return {};
    return QDateTime::fromMSecsSinceEpoch((ticks - kTicksAtUnixEpoch) / kTicksPerMs, Qt::UTC);
}

int SerHeader::planes() const { return colourId == SerRgb || colourId == SerBgr ? 3 : 1; }

int64_t SerHeader::frameBytes() const
{
    if (width <= 0 || height <= 0 || pixelDepth <= 0 || pixelDepth > 16) return 0;
    const int64_t bytesPerValue = pixelDepth > 8 ? 2 : 1;
    return int64_t(width) * int64_t(height) * planes() * bytesPerValue;
}

QByteArray encodeSerHeader(const SerHeader& h)
{
    QByteArray out(kSerHeaderSize, '\0');
    char* p = out.data();
    std::memcpy(p, kFileId, 14);
    put32(p + 14, h.luId);
    put32(p + 18, h.colourId);
    put32(p + 22, h.littleEndian);
    put32(p + 26, h.width);
    put32(p + 30, h.height);
    put32(p + 34, h.pixelDepth);
    put32(p + 38, h.frameCount);
    putText(p + 42, h.observer);
    putText(p + 82, h.instrument);
    putText(p + 122, h.telescope);
    put64(p + 162, h.dateTime);
    put64(p + 170, h.dateTimeUtc);
    return out;
}

bool decodeSerHeader(const QByteArray& bytes, SerHeader& h, QString& error)
{
    if (bytes.size() < kSerHeaderSize) {
        error = tr("en-tête SER tronqué");
        return false;
    }
    const char* p = bytes.constData();
    if (std::memcmp(p, kFileId, 14) != 0) {
        error = tr("ce n'est pas un fichier SER");
        return false;
    }
    h.luId = get32(p + 14);
    h.colourId = get32(p + 18);
    h.littleEndian = get32(p + 22);
    h.width = get32(p + 26);
    h.height = get32(p + 30);
    h.pixelDepth = get32(p + 34);
    h.frameCount = get32(p + 38);
    h.observer = getText(p + 42);
    h.instrument = getText(p + 82);
    h.telescope = getText(p + 122);
    h.dateTime = get64(p + 162);
    h.dateTimeUtc = get64(p + 170);
    return true;
}

// ---------------------------------------------------------------- recording

SerRecorder::~SerRecorder()
{
    if (recording()) finish();
}

bool SerRecorder::fail(const QString& why)
{
    error_ = why;
    return false;
}

bool SerRecorder::start(const QString& path, int width, int height, bool colour, const QDateTime& start,
                        const QByteArray& instrument)
{
    if (recording()) abandon();
    error_.clear();
    times_.clear();
    if (width <= 0 || height <= 0 || width > kMaxFrameWidth || height > kMaxFrameHeight)
        return fail(tr("taille d'image nulle ou négative"));
    // The recording lands where a link leads; a device or a folder is never recorded over.
    QString linkError;
    target_ = linkTarget(path, linkError);
    if (target_.isEmpty()) return fail(linkError);
    struct stat info {};
    if (::stat(QFile::encodeName(target_).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return fail(tr("ce n'est pas un fichier ordinaire"));

    header_ = SerHeader{};
    header_.colourId = colour ? SerBgr : SerMono;
    header_.width = width;
    header_.height = height;
    header_.instrument = instrument;
    header_.dateTime = serTicks(QDateTime(start.date(), start.time(), Qt::UTC));
    header_.dateTimeUtc = serTicks(start.toUTC());
    frameBuffer_.resize(header_.frameBytes());

    // Unbuffered: each frame reaches the system as it is written, so a
    // crash of the program loses no whole frame.
    QString openError;
    if (!openTemporaryBeside(target_, file_, openError, QIODevice::Unbuffered)) return fail(openError);
    const QByteArray head = encodeSerHeader(header_);
    if (file_.write(head) != head.size()) {
        const QString why = file_.errorString();
        abandon();
        return fail(why);
    }
    return true;
}

bool SerRecorder::addFrame(const QImage& frame, const QDateTime& time)
{
    if (!recording()) return fail(tr("aucun enregistrement en cours"));
    if (frame.width() < header_.width || frame.height() < header_.height || frame.depth() != 32)
        return fail(tr("image plus petite que la vidéo"));
    char* out = frameBuffer_.data();
    const int w = header_.width;
    for (int y = 0; y < header_.height; ++y) {
        const uint8_t* in = pixelRow(frame, y);
        if (header_.colourId == SerBgr) {
            for (int x = 0; x < w; ++x, out += 3) {
                out[0] = char(in[4 * x + kBlue]);
                out[1] = char(in[4 * x + kGreen]);
                out[2] = char(in[4 * x + kRed]);
            }
        } else {
            // Mono: the mean of the three channels, rounded; a grey frame keeps its levels.
            for (int x = 0; x < w; ++x)
                *out++ = char((in[4 * x + kBlue] + in[4 * x + kGreen] + in[4 * x + kRed] + 1) / 3);
        }
    }
    if (file_.write(frameBuffer_) != frameBuffer_.size()) {
        // The frame may be half written: the count and the trailer of finish()
        // only ever name the whole frames before it.
        error_ = file_.errorString();
        file_.resize(kSerHeaderSize + int64_t(times_.size()) * header_.frameBytes());
        return false;
    }
    times_.push_back(serTicks(time.toUTC()));
    return true;
}

bool SerRecorder::finish()
{
    if (!recording()) return fail(tr("aucun enregistrement en cours"));
    QByteArray trailer(qsizetype(times_.size()) * 8, '\0');
    for (std::size_t i = 0; i < times_.size(); ++i) put64(trailer.data() + i * 8, times_[i]);
    char count[4];
    put32(count, int32_t(times_.size()));
    bool ok = file_.write(trailer) == trailer.size() && file_.seek(38) && file_.write(count, 4) == 4;
    if (!ok) error_ = file_.errorString();
    file_.close();
    if (ok && std::rename(QFile::encodeName(file_.fileName()).constData(), QFile::encodeName(target_).constData()) != 0) {
        ok = false;
        error_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    // A recording that cannot take its name stays under the temporary one,
    // complete: its frames are not thrown away.
    return ok;
}

void SerRecorder::abandon()
{
    if (!file_.isOpen()) return;
    file_.close();
    file_.remove();
    times_.clear();
}

// ---------------------------------------------------------------- reading

bool SerReader::open(const QString& path)
{
    error_.clear();
    times_.clear();
    frameCount_ = missing_ = 0;
    file_.close();
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) {
        error_ = tr("lecture impossible");
        return false;
    }
    if (!decodeSerHeader(file_.read(kSerHeaderSize), header_, error_)) return false;
    const SerHeader& h = header_;
    if (h.width <= 0 || h.height <= 0) {
        error_ = tr("taille d'image nulle ou négative");
        return false;
    }
    if (h.width > kMaxSide || h.height > kMaxSide) {
        error_ = tr("taille %1x%2 supérieure à %3x%4")
                     .arg(h.width).arg(h.height).arg(kMaxSide).arg(kMaxSide);
        return false;
    }
    if (h.pixelDepth != 8) {
        error_ = tr("%1 bits par pixel non pris en charge").arg(h.pixelDepth);
        return false;
    }
    if (h.colourId != SerMono && h.colourId != SerRgb && h.colourId != SerBgr && !rawMosaic(h.colourId)) {
        error_ = tr("couleur SER %1 non prise en charge").arg(h.colourId);
        return false;
    }
    if (h.frameCount < 0) {
        error_ = tr("nombre d'images négatif");
        return false;
    }
    frameBytes_ = h.frameBytes();
    const int64_t data = file_.size() - kSerHeaderSize;
    const int64_t whole = std::min<int64_t>(data / frameBytes_, std::numeric_limits<int32_t>::max());
    const int64_t announced = h.frameCount;
    if (announced > 0 && announced <= whole && data >= announced * frameBytes_ + announced * 8) {
        frameCount_ = int(announced);
        // Within the file, so this allocation is no larger than what was read from disk.
        file_.seek(kSerHeaderSize + announced * frameBytes_);
        const QByteArray trailer = file_.read(announced * 8);
        if (trailer.size() == announced * 8) {
            times_.resize(std::size_t(announced));
            for (int64_t i = 0; i < announced; ++i) times_[std::size_t(i)] = get64(trailer.constData() + i * 8);
        }
    } else {
        frameCount_ = int(whole);
        if (announced > whole) missing_ = int(announced - whole);
    }
    return true;
}

QDateTime SerReader::frameTime(int index) const
{
    if (index < 0 || std::size_t(index) >= times_.size()) return {};
    return fromSerTicks(times_[std::size_t(index)]);
}

bool SerReader::readFrame(int index, QImage& target)
{
    const SerHeader& h = header_;
    if (index < 0 || index >= frameCount_) {
        error_ = tr("fichier tronqué");
        return false;
    }
    if (target.width() < h.width || target.height() < h.height || target.depth() != 32) {
        error_ = tr("image de destination trop petite");
        return false;
    }
    buffer_.resize(frameBytes_);
    if (!file_.seek(kSerHeaderSize + int64_t(index) * frameBytes_) ||
        file_.read(buffer_.data(), frameBytes_) != frameBytes_) {
        error_ = tr("fichier tronqué");
        return false;
    }
    const auto* in = reinterpret_cast<const uint8_t*>(buffer_.constData());
    const int planes = h.planes();
    // RGB order puts red first; BGR is the frame's own order.
    const int first = h.colourId == SerRgb ? kRed : kBlue, last = h.colourId == SerRgb ? kBlue : kRed;
    for (int y = 0; y < h.height; ++y) {
        uint8_t* row = pixelRow(target, y);
        for (int x = 0; x < h.width; ++x, in += planes) {
            if (planes == 3) {
                row[4 * x + first] = in[0];
                row[4 * x + kGreen] = in[1];
                row[4 * x + last] = in[2];
            } else {
                row[4 * x + kBlue] = row[4 * x + kGreen] = row[4 * x + kRed] = in[0];
            }
            row[4 * x + 3] = 0xff;
        }
    }
    return true;
}

} // namespace velumbra
