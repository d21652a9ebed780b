#pragma once
#include "telescope/GuideCorrector.h"
#include "telescope/MountSettings.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <vector>

class QIODevice;

namespace velumbra {

class Clock;
class MessageSink;
class SteadyClock;

// What the guide log's header records: the calibrated speeds and the other
// mount settings, the correction settings and the guiding interval.
struct GuideLogSetup {
    MountSettings mount;
    GuideSettings guide;
    int SPED_Intervalle_Guidage = 10;
};

// The header lines, each beginning with "#".
QStringList guideLogHeader(const GuideLogSetup& setup, const QDateTime& start);
// "Guidage_2026-09-01_22-15-03.txt": the day and time guiding began.
QString guideLogFileName(const QDateTime& start);
// The columns of a correction line, tab-separated like the lines.
extern const char kGuideLogColumns[];

// A guide log read back: the sampling of its header and, per correction,
// the time and the star's offset, on the image and along the sky's axes.
struct GuideLogPoint {
    double seconds = 0;
    int dx = 0, dy = 0;
    double theta = 0;
    double raArcsec = 0;  // d cos θ x sampling: along right ascension
    double decArcsec = 0; // d sin θ x sampling
};
struct GuideLogRun {
    double sampling = 1;
    std::vector<GuideLogPoint> points;
};
// Lines that are not corrections (comments, a line cut short) are passed over.
GuideLogRun readGuideLog(QIODevice& device);

// The guide log: while guiding runs, one line per correction appended to a
// new dated text file beside the images, so a night can be reviewed in a
// spreadsheet. The file is created, never replaced: a name already taken
// gets a number. Each line is written and flushed at once, formatted in a
// buffer of its own so a correction allocates nothing. A failure is said
// once in the message panel and guiding goes on without the log.
class GuideLog {
public:
    GuideLog(MessageSink& messages, const Clock& clock, const SteadyClock& steady);
    ~GuideLog();
    GuideLog(const GuideLog&) = delete;
    GuideLog& operator=(const GuideLog&) = delete;

    // A new file in `folder` (the current directory when empty), its header
    // written. False, with one message, when it cannot be created.
    bool open(const QString& folder, const GuideLogSetup& setup);
    void close();
    bool isOpen() const { return file_ != nullptr; }
    QString path() const { return path_; }

    // One correction: time of day, seconds since the start, the offset in
    // pixels, θ, per axis the direction, its pixel error and the pulse sent
    // (ms, 0 for none), and the star's brightness.
    void correction(const Correction& c, int raPulseMs, int decPulseMs, int brightness);
    // An event of the run ("etoile perdue"), as a comment line with its time.
    void note(const char* text);

private:
    bool writeLine(const char* text, int length);
    int timeOfDayText(char* into, int size) const;

    MessageSink& messages_;
    const Clock& clock_;
    const SteadyClock& steady_;
    std::FILE* file_ = nullptr;
    QString path_;
    qint64 startMs_ = 0;
};

} // namespace velumbra
