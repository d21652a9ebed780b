#include "app/stack/BatchStack.h"
#include "app/stack/StackPaths.h"
#include "app/stack/ResultStretch.h"
#include "app/stack/TrackingWatch.h"
#include "acquisition/BmpReader.h"
#include "acquisition/IndiCameraDriver.h"
#include "indi/IndiClient.h"
#include "core/Clock.h"
#include "processing/Planes.h"
#include "acquisition/RawDemosaic.h"
#include "simulator/SkySimulator.h"
#include "processing/CoreStages.h"
#include "processing/DisplayMapping.h"
#include "processing/ImageCore.h"
#include "processing/StarRegistration.h"
#include "processing/PlanetAlignment.h"
#include "results/BmpWriter.h"
#include "results/CoreParameters.h"
#include "results/ParameterRecord.h"
#include "results/FitsFile.h"
#include "results/SerFile.h"
#include "core/SafeFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace velumbra::stack {

namespace {

// Time between two simulated frames: the simulator's reference exposure.
constexpr int kSimulatedFrameMs = 40;
// Dark level of the smart dark when none is given.
constexpr int kSmartDarkDefaultLevel = 10;
// Without thresholds the stretch leaves out the darkest and brightest
// thousandth of the values: a few hot pixels would otherwise take the whole
// range and leave the sky black.
constexpr double kLowPercentile = 0.001;
constexpr double kHighPercentile = 0.999;

QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

class BatchStack {
public:
    BatchStack(const StackOptions& options, MessageSink& messages, StackProgress* progress, const StackText& text)
        : o_(options), messages_(messages), progress_(progress), text_(text)
    {
        elapsed_.start();
        addEntries(Dark, o_.darks);
        addEntries(Flat, o_.flats);
        addEntries(Light, o_.frames);
        total_ = int(entries_.size()) + o_.simulate + (o_.indiCamera.isEmpty() ? 0 : o_.count.value_or(0));
        failed_.assign(entries_.size(), false);
    }
    ~BatchStack() { core_.pipeline.setStages(nullptr); }

    StackOutcome run();

private:
    // A frame file, or one frame of a SER video (`video` is an index in
    // videos_). `problem` set: the entry cannot be read, for that reason.
    struct Entry {
        Plane role;
        QString path;
        int video = -1;
        int frame = 0;
        QString problem;
    };

    bool writeLog();
    void addEntries(Plane role, const QStringList& paths);
    void say(Msg id, const QStringList& args = {}) { messages_.showMessage(false, text_(id, args)); }
    void finishReport();
    bool findFrameSize();
    void setFrameSize(int width, int height);
    bool loadEntry(std::size_t index);
    BmpReadResult readEntry(const Entry& entry, QImage& target);
    void addVideo(Plane role, const QString& path);
    QDateTime frameTime(const Entry* entry) const;
    void recordFrame(const Entry* entry);
    bool saveFits(const QString& path, int width, int height, const QRect& crop, QString& error);
    bool registerFrame();
    bool registerOnPlanet();
    void layOnReference(const RigidTransform& transform);
    void prepareFrameCalibration();
    void calibrateFrame();
    void makeSky();
    void scoreLights();
    void findCommonArea();
    QRect resultCrop(int width, int height) const;
    void simulateFrame();
    bool startIndi();
    bool indiFrame();
    void refuse(std::size_t index, const QString& why);
    bool loadCalibration(std::size_t index);
    bool loadReference();
    void setUpSelection();
    QString frameScore() const;
    bool integrateMasters(Plane plane);
    bool flatUsable();
    void refuse(std::size_t index, const BmpReadResult& read);
    void setUpLights();
    void selectMode(StackMode mode);
    void stackLights();
    void processLight(int number, const QString& file, const Entry* entry);
    void applyThresholds();
    bool save();
    void frameDone();

    const StackOptions& o_;
    MessageSink& messages_;
    StackProgress* progress_;
    const StackText& text_;
    QElapsedTimer elapsed_;
    TrackingWatch watch_;
    ManualClock clock_;
    ImageCore core_{clock_};
    CoreStages stages_{core_};
    std::unique_ptr<SkySimulator> sky_;
    // --indi: the server connection and the camera; frames missing at the end.
    IndiCameraOptions indiOptions_;
    std::unique_ptr<IndiClient> indiClient_;
    std::unique_ptr<IndiCameraDriver> indiCamera_;
    int indiMissing_ = 0;
    QImage scratch_; // file pixels before the RAW step
    BmpWriter writer_;
    QByteArray log_; // written with the result, in one piece
    bool framesSaved_ = true; // until a frame could not be saved
    std::vector<Entry> entries_;
    std::vector<std::unique_ptr<SerReader>> videos_;
    SerRecorder recorder_;
    QDateTime firstLightTime_; // of the first light frame stacked
    std::vector<bool> failed_;
    int total_ = 0;
    int done_ = 0;
    int frameWidth_ = 0, frameHeight_ = 0;
    StackOutcome outcome_;
    // --register stars: the first registered frame's stars, the last match,
    // the frame turned onto the reference, and the pixels every frame covered.
    StarFinder finder_;
    StarMatcher matcher_;
    std::vector<FoundStar> referenceStars_;
    bool haveReference_ = false;
    MatchResult lastMatch_;
    QImage registered_;
    std::vector<uint8_t> coverage_, common_;
    RowSplit rows_; // the second core's share of a frame's resampling
    // Registered frames are corrected before they are turned: the dark to
    // subtract and the flat's gain, per frame pixel and channel (blue, green, red).
    std::vector<float> frameDark_, frameGain_;
    QRect commonArea_; // frame pixels; empty without registration
    // --register planet and --best: the discs, each light frame's sharpness
    // and rank (1: the sharpest), how many are kept, the sharpest frame.
    PlanetFrames planet_;
    std::vector<double> sharpness_;
    std::vector<int> rank_;
    int bestKeep_ = 0;
    QImage sharpest_;
    QPointF lastShift_;
};

StackOutcome BatchStack::run()
{
    if (!o_.logFile.isEmpty()) {
        log_ = "frame,file,selected,star_x,star_y,intensity_min,intensity_max,lost,score";
        if (o_.bestPercent) log_ += ",sharpness,rank,kept";
        log_ += o_.registration == Registration::Stars    ? ",dx,dy,rotation,matched\n"
                : o_.registration == Registration::Planet ? ",dx,dy\n"
                                                          : "\n";
    }
    core_.buffers.create();
    core_.pipeline.setStages(&stages_);
    core_.flags.loadingSettings = false;
    core_.flags.permanentView = false;
    if (o_.rawMode > 0) scratch_ = QImage(kMaxFrameWidth, kMaxFrameHeight, kPixelFormat);
    if (!o_.saveFramesDir.isEmpty() && !QDir().mkpath(o_.saveFramesDir)) {
        say(Msg::CannotCreateFolder, {o_.saveFramesDir});
        return outcome_;
    }

    if (o_.simulate > 0) {
        makeSky();
        setFrameSize(o_.simWidth, o_.simHeight);
    } else if (!o_.indiCamera.isEmpty()) {
        if (!startIndi()) return outcome_;
    } else if (!findFrameSize()) {
        say(Msg::NoFrameRead);
        outcome_.unreadable = int(std::count(failed_.begin(), failed_.end(), true));
        return outcome_;
    }

    // Controls that hold for the whole run, masters included.
    PipelineControls& c = core_.controls;
    c.MNU_Binning_2x2 = o_.binning == 2;
    auto& s = c.GRB_Seuils;
    s.RDB_NB = o_.grey;
    s.RDB_Couleur = !o_.grey;
    s.CKB_Red = o_.red;
    s.CKB_Green = o_.green;
    s.CKB_Blue = o_.blue;
    // A batch run renders between thresholds fixed for the run (given or
    // measured at its end) and follows the object on every frame, whatever
    // the windows start with.
    s.CKB_Seuils_Evol = false;
    c.SPED_Intervalle_Guidage = 1;
    c.TNI_Taille_ZDetect = std::min<double>(o_.detectSize, maxDetectionZone(frameWidth_));
    core_.zone.tolerance = o_.tolerance;
    c.tracking.RDB_Somax = o_.track == TrackMethod::Axes;
    c.tracking.RDB_Colimacon = o_.track == TrackMethod::Brightest;
    c.tracking.RDB_Cadres = o_.track == TrackMethod::Edges;
    c.tracking.CKB_Inversion_Video = o_.darkObject;
    core_.flags.targetActive = true;

    if (!o_.darks.isEmpty() && !integrateMasters(Dark)) return outcome_;
    if (!o_.flats.isEmpty() && (!integrateMasters(Flat) || !flatUsable())) return outcome_;
    if (o_.motionLevel && !loadReference()) return outcome_;
    setUpLights();
    setUpSelection();
    if (o_.bestPercent) scoreLights();
    stackLights();

    outcome_.unreadable = int(std::count(failed_.begin(), failed_.end(), true)) + indiMissing_;
    if (outcome_.stacked == 0) {
        say(Msg::NoFrameStacked);
        outcome_.exitStatus = kExitNothing;
        return outcome_;
    }
    findCommonArea();
    applyThresholds();
    if (!save()) {
        outcome_.exitStatus = kExitNothing;
        return outcome_;
    }
    finishReport();
    outcome_.exitStatus = !framesSaved_            ? kExitNothing
                          : outcome_.unreadable > 0 ? kExitSomeSkipped
                                                    : kExitStacked;
    return outcome_;
}

bool BatchStack::writeLog()
{
    QString error;
    if (o_.logFile.isEmpty() || replaceFile(o_.logFile, log_.constData(), log_.size(), error)) return true;
    say(Msg::CannotWriteLog, {o_.logFile, error});
    return false;
}

// The first frame that reads well gives the frame size of the run; the
// ones before it are reported once and skipped.
bool BatchStack::findFrameSize()
{
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].role != Light) continue; // the lights set the size the masters must have
        QImage& target = o_.rawMode > 0 ? scratch_ : core_.buffers.frameSlots[0];
        const BmpReadResult r = readEntry(entries_[i], target);
        if (r.ok) {
            setFrameSize(r.width, r.height);
            return true;
        }
        refuse(i, r);
    }
    return false;
}

void BatchStack::setFrameSize(int width, int height)
{
    frameWidth_ = width;
    frameHeight_ = height;
    core_.buffers.setFrameSize(width, height);
    // The display zone takes the frame's proportions, as at capture start.
    core_.zone.displayAspect = double(width) / double(height);
}

void BatchStack::refuse(std::size_t index, const QString& why)
{
    if (failed_[index]) return;
    failed_[index] = true;
    say(Msg::CannotRead, {entries_[index].path, why});
    frameDone();
}

void BatchStack::refuse(std::size_t index, const BmpReadResult& read)
{
    if (!read.tooLarge) return refuse(index, read.error);
    if (failed_[index]) return;
    failed_[index] = true;
    say(Msg::FrameTooLarge, {entries_[index].path, QString::number(read.width), QString::number(read.height)});
    frameDone();
}

// A folder stands for its .bmp and FITS files, in name order, without its
// subfolders; a SER video for each of its frames.
void BatchStack::addEntries(Plane role, const QStringList& paths)
{
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            if (info.suffix().compare(QLatin1String("ser"), Qt::CaseInsensitive) == 0) addVideo(role, path);
            else entries_.push_back({role, path});
            continue;
        }
        const QFileInfoList files = QDir(path).entryInfoList(QDir::Files, QDir::Name);
        int added = 0;
        for (const QFileInfo& f : files) {
            if (f.suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) != 0 && !namesAFits(f.fileName()))
                continue;
            entries_.push_back({role, f.filePath()});
            ++added;
        }
        if (added == 0) say(Msg::EmptyFolder, {path});
    }
}

// The frames of a video become entries; frames its header announces but
// the file lacks (a cut file) are one more entry that cannot be read.
void BatchStack::addVideo(Plane role, const QString& path)
{
    auto reader = std::make_unique<SerReader>();
    if (!reader->open(path)) {
        entries_.push_back({role, path, -1, 0, reader->errorString()});
        return;
    }
    const int video = int(videos_.size());
    for (int n = 0; n < reader->frameCount(); ++n) entries_.push_back({role, path, video, n, QString()});
    if (reader->announcedMissing() > 0) {
        const auto n = [](int v) { return QString::number(v); };
        const int whole = reader->frameCount(), missing = reader->announcedMissing();
        entries_.push_back({role, path, -1, 0, text_(Msg::SerFramesMissing, {n(whole + missing), n(whole), n(missing)})});
    }
    videos_.push_back(std::move(reader));
}

// A BMP, a FITS image or a frame of a video into `target`.
BmpReadResult BatchStack::readEntry(const Entry& entry, QImage& target)
{
    BmpReadResult r;
    if (!entry.problem.isEmpty()) {
        r.error = entry.problem;
        return r;
    }
    if (entry.video >= 0) {
        SerReader& video = *videos_[std::size_t(entry.video)];
        r.width = video.header().width;
        r.height = video.header().height;
        if (r.width > kMaxFrameWidth || r.height > kMaxFrameHeight) {
            r.tooLarge = true;
            return r;
        }
        r.ok = video.readFrame(entry.frame, target);
        if (!r.ok) r.error = video.errorString();
        return r;
    }
    if (namesAFits(entry.path)) {
        const FitsReadResult f = readFitsFrame(entry.path, target);
        r.ok = f.ok;
        r.width = f.width;
        r.height = f.height;
        r.error = f.error;
        r.tooLarge = f.tooLarge;
        return r;
    }
    return readBmpFile(entry.path, target);
}

bool BatchStack::loadEntry(std::size_t index)
{
    if (failed_[index]) return false;
    QImage& target = o_.rawMode > 0 ? scratch_ : core_.buffers.frameSlots[0];
    const BmpReadResult r = readEntry(entries_[index], target);
    if (!r.ok) {
        refuse(index, r);
        return false;
    }
    if (r.width != frameWidth_ || r.height != frameHeight_) {
        const auto n = [](int v) { return QString::number(v); };
        refuse(index, text_(Msg::SizeDiffers, {n(r.width), n(r.height), n(frameWidth_), n(frameHeight_)}));
        return false;
    }
    if (o_.rawMode > 0)
        RawDemosaic(scratch_, core_.buffers.frameSlots[0], frameWidth_, frameHeight_, o_.rawMode - 1);
    return true;
}

// A dark or flat that cannot be used stops the run: a stack corrected by
// part of its calibration, or by none, would look right and be wrong.
bool BatchStack::loadCalibration(std::size_t index)
{
    const Entry& entry = entries_[index];
    const bool dark = entry.role == Dark;
    QImage& target = o_.rawMode > 0 ? scratch_ : core_.buffers.frameSlots[0];
    const BmpReadResult r = readEntry(entry, target);
    if (!r.ok) {
        say(dark ? Msg::CannotReadDark : Msg::CannotReadFlat, {entry.path, r.error});
        return false;
    }
    if (r.width != frameWidth_ || r.height != frameHeight_) {
        const auto n = [](int v) { return QString::number(v); };
        say(dark ? Msg::DarkSizeDiffers : Msg::FlatSizeDiffers,
            {entry.path, n(r.width), n(r.height), n(frameWidth_), n(frameHeight_)});
        return false;
    }
    if (o_.rawMode > 0)
        RawDemosaic(scratch_, core_.buffers.frameSlots[0], frameWidth_, frameHeight_, o_.rawMode - 1);
    return true;
}

// The reference of --motion goes through the RAW step as the frames do. A
// reference that cannot be used stops the run: every frame would be kept
// or none, and the stack would not be the one asked for.
bool BatchStack::loadReference()
{
    QImage& target = o_.rawMode > 0 ? scratch_ : core_.buffers.frameSlots[0];
    const BmpReadResult r = readBmpFile(o_.referenceFile, target);
    if (!r.ok) {
        say(Msg::CannotReadReference, {o_.referenceFile, r.error});
        return false;
    }
    if (r.width != frameWidth_ || r.height != frameHeight_) {
        const auto n = [](int v) { return QString::number(v); };
        say(Msg::ReferenceSizeDiffers,
            {o_.referenceFile, n(r.width), n(r.height), n(frameWidth_), n(frameHeight_)});
        return false;
    }
    if (o_.rawMode > 0)
        RawDemosaic(scratch_, core_.buffers.frameSlots[0], frameWidth_, frameHeight_, o_.rawMode - 1);
    core_.motion.defineReference(core_.buffers.frameSlots[0], frameWidth_, frameHeight_);
    return true;
}

// The selection applies to the light frames only: the masters keep every frame.
void BatchStack::setUpSelection()
{
    PipelineControls& c = core_.controls;
    c.CKB_Selection = o_.selectQuality.has_value();
    c.CKB_Nonvide = o_.selectBrightness.has_value();
    c.TNI_Seuil_Selection = o_.selectQuality.value_or(o_.selectBrightness.value_or(0));
    c.selection.jpegQuality = o_.jpegQuality;
    c.CKB_Detection_Mvt = o_.motionLevel.has_value();
    c.TNI_Seuil_Detection_Niveau = o_.motionLevel.value_or(0);
    c.TNI_Seuil_Detection_Nbre = o_.motionCount.value_or(0);
}

// The score the selection gave the frame just processed; empty without
// selection, and for motion when a threshold at 0 measures nothing.
QString BatchStack::frameScore() const
{
    const PipelineControls& c = core_.controls;
    if (c.CKB_Selection) return QString::number(core_.quality.lastScore());
    if (c.CKB_Nonvide) return QString::number(core_.tracking.meanBrightness);
    if (c.CKB_Detection_Mvt && c.TNI_Seuil_Detection_Niveau > 0 && c.TNI_Seuil_Detection_Nbre > 0)
        return QString::number(core_.motion.TNI_Diff_actuel());
    return QString();
}

// The flat divides each light by the flat over its mean: a channel whose
// mean is 0 would turn that channel of the result black.
bool BatchStack::flatUsable()
{
    static constexpr Msg kChannelNames[kPlaneChannels] = {Msg::ChannelRed, Msg::ChannelGreen, Msg::ChannelBlue};
    const bool used[kPlaneChannels] = {o_.red, o_.green, o_.blue};
    for (int c = 0; c < kPlaneChannels; ++c) {
        if (!used[c] || core_.integrator.stats.flatMean[c] > 0.0) continue;
        say(Msg::FlatMeanZero, {o_.flats.join(QStringLiteral(", ")), text_(kChannelNames[c])});
        return false;
    }
    return true;
}

void BatchStack::simulateFrame()
{
    clock_.advanceMs(kSimulatedFrameMs);
    QImage& target = o_.rawMode > 0 ? scratch_ : core_.buffers.frameSlots[0];
    sky_->render(target, frameWidth_, frameHeight_);
    if (o_.rawMode > 0)
        RawDemosaic(scratch_, core_.buffers.frameSlots[0], frameWidth_, frameHeight_, o_.rawMode - 1);
}

// How long a frame of the INDI camera may take beyond its exposure.
constexpr int kIndiFrameSlackMs = 30000;
constexpr int kIndiListWaitMs = 10000;

bool BatchStack::startIndi()
{
    indiOptions_.exposureMs = o_.exposureMs.value_or(int(indiOptions_.exposureMs));
    indiOptions_.gain = o_.gain ? double(*o_.gain) : -1;
    indiOptions_.binning = o_.cameraBinning;
    indiOptions_.frameX = o_.frameX;
    indiOptions_.frameY = o_.frameY;
    indiClient_ = std::make_unique<IndiClient>(messages_);
    const QString& camera = o_.indiCamera;
    if (!indiClient_->connectToServer(o_.indiHost, o_.indiPort, true)) {
        say(Msg::IndiUnavailable, {camera, QStringLiteral("%1:%2").arg(o_.indiHost).arg(o_.indiPort)});
        return false;
    }
    const auto listed = [&] {
        const std::vector<QString> cameras = indiClient_->devicesOfKind(IndiCameraKind);
        return std::find(cameras.begin(), cameras.end(), camera) != cameras.end();
    };
    if (!indiClient_->waitFor(listed, kIndiListWaitMs)) {
        say(Msg::IndiUnavailable, {camera, indiClient_->serverText()});
        return false;
    }
    indiCamera_ = std::make_unique<IndiCameraDriver>(*indiClient_, camera, indiOptions_, messages_);
    indiCamera_->setRawMosaic(o_.rawMode > 0);
    if (!indiCamera_->connect()) {
        say(Msg::IndiUnavailable, {camera, indiCamera_->lastError()});
        return false;
    }
    const VideoFormat f = indiCamera_->readFormat();
    setFrameSize(f.width, f.height);
    return true;
}

bool BatchStack::indiFrame()
{
    QImage& target = o_.rawMode > 0 ? scratch_ : core_.buffers.frameSlots[0];
    if (indiCamera_->grab(target, int(indiOptions_.exposureMs) + kIndiFrameSlackMs) != GrabResult::Frame) {
        const QString why = indiCamera_->lastError().isEmpty() ? QStringLiteral("no frame in time") : indiCamera_->lastError();
        say(Msg::IndiFrameMissing, {o_.indiCamera, why});
        return false;
    }
    if (o_.rawMode > 0)
        RawDemosaic(scratch_, core_.buffers.frameSlots[0], frameWidth_, frameHeight_, o_.rawMode - 1);
    return true;
}

void BatchStack::frameDone()
{
    ++done_;
    if (progress_) progress_->frameDone(done_, total_);
}

void BatchStack::selectMode(StackMode mode)
{
    auto& m = core_.controls.integration;
    m.CKB_Integration = true;
    m.RDB_Unique = mode == StackMode::Single;
    m.RDB_Boucle = mode == StackMode::Loop;
    m.RDB_Dark = mode == StackMode::Dark;
    m.RDB_Flat = mode == StackMode::Flat;
    Integrator& in = core_.integrator;
    switch (mode) {
    case StackMode::Single: in.RDB_UniqueClick(); break;
    case StackMode::Loop: in.RDB_BoucleClick(); break;
    case StackMode::Dark: in.RDB_DarkClick(); break;
    case StackMode::Flat: in.RDB_FlatClick(); break;
    }
}

// Dark or flat master: the files go through the frame routine in the dark
// or flat mode, then Stop makes the master usable (dark means, flat means).
bool BatchStack::integrateMasters(Plane plane)
{
    selectMode(plane == Dark ? StackMode::Dark : StackMode::Flat);
    core_.controls.PNL_Integration.SPED_Nb_Bitmap = 0;
    Integrator& in = core_.integrator;
    in.BTN_Demarrer_AddClick();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].role != plane) continue;
        if (!loadCalibration(i)) return false;
        bool selected = false;
        core_.pipeline.ProcessFrame(true, selected);
        frameDone();
    }
    if (in.running()) in.BTN_Arreter_AddClick();
    return true;
}

void BatchStack::setUpLights()
{
    PipelineControls& c = core_.controls;
    ZoneState& z = core_.zone;
    z.starPos = {o_.centerX.value_or(frameWidth_ / 2), o_.centerY.value_or(frameHeight_ / 2)};
    // A target outside the frame comes back to its centre, as at capture start.
    if (z.starPos.x >= frameWidth_ || z.starPos.y >= frameHeight_) {
        const auto n = [](int v) { return QString::number(v); };
        say(Msg::CenterOutside, {n(z.starPos.x), n(z.starPos.y), n(frameWidth_), n(frameHeight_)});
        z.starPos = {frameWidth_ / 2, frameHeight_ / 2};
    }
    z.zoneOffset = {0, 0};
    c.TNI_Taille_ZAffich = std::max(20, std::min(o_.zoneSize.value_or(frameWidth_), frameWidth_));
    selectMode(o_.mode);
    // The dark and flat runs lock tracking off; the lights may track.
    c.CKB_Suivi = o_.track != TrackMethod::None;

    Integrator& in = core_.integrator;
    // Registered frames are turned before they are summed, so the dark and
    // the flat, which belong to the sensor's pixels, correct each frame
    // before it turns rather than the sums.
    if (o_.registration != Registration::None) {
        prepareFrameCalibration();
    } else if (!o_.flats.isEmpty() && core_.integrator.stats.frameCount[Flat] > 0) {
        c.CKB_Active_Flat = true;
        in.CKB_Active_FlatClick();
    }
    if (!o_.darks.isEmpty() && o_.registration == Registration::None) {
        auto& pc = c.PNL_Integration;
        pc.RDB_Dark_Smart = o_.smartDarkRadius.has_value();
        pc.RDB_Dark_Sub = !pc.RDB_Dark_Smart;
        pc.SPED_RDark = o_.smartDarkRadius.value_or(1);
        // At 100 % the smart dark would take every cell with any dark signal
        // for hot; its default is the level that flags cells at 230 and up.
        const int level = o_.darkLevel.value_or(o_.smartDarkRadius ? kSmartDarkDefaultLevel : 100);
        pc.SCB_Seuil_dark = 100 - level;
        in.SCB_Seuil_darkChange();
    }
    auto& s = c.GRB_Seuils;
    // Inverted display for the result only: the masters' figures stay plain.
    s.CKB_Inverse = o_.invert;
    if (o_.minimum) Thresholds::SCB_MinimumScroll(s, *o_.minimum, false);
    if (o_.maximum) Thresholds::SCB_MaximumScroll(s, *o_.maximum, false);
    c.PNL_Integration.SPED_Nb_Bitmap = o_.count.value_or(o_.mode == StackMode::Loop ? 1 : 0);
}

void BatchStack::stackLights()
{
    Integrator& in = core_.integrator;
    in.BTN_Demarrer_AddClick();
    if (sky_) {
        for (int n = 1; n <= o_.simulate && in.running(); ++n) {
            simulateFrame();
            processLight(n, QString(), nullptr);
        }
    } else if (indiCamera_) {
        const int count = o_.count.value_or(0);
        for (int n = 1; n <= count && in.running(); ++n) {
            if (!indiFrame()) {
                indiMissing_ = count - n + 1;
                break;
            }
            processLight(n, QString(), nullptr);
        }
        indiCamera_->disconnect();
    } else {
        int number = 0;
        for (std::size_t i = 0; i < entries_.size() && in.running(); ++i) {
            if (entries_[i].role != Light) continue;
            ++number;
            const Entry& e = entries_[i];
            const QString name = e.video >= 0 ? e.path + QLatin1Char(':') + QString::number(e.frame + 1) : e.path;
            if (loadEntry(i)) processLight(number, name, &e);
        }
    }
    if (in.running()) in.BTN_Arreter_AddClick();
    if (recorder_.recording() && !recorder_.finish()) {
        framesSaved_ = false;
        say(Msg::CannotRecordSer, {o_.serFile, recorder_.errorString()});
    }
}

// When a frame was taken: a video's own time, the simulator's time, or
// the time it is read at.
QDateTime BatchStack::frameTime(const Entry* entry) const
{
    if (entry && entry->video >= 0) {
        const QDateTime t = videos_[std::size_t(entry->video)]->frameTime(entry->frame);
        if (t.isValid()) return t;
    }
    if (indiCamera_ && indiCamera_->frameTime().isValid()) return indiCamera_->frameTime().toUTC();
    return sky_ ? clock_.now().toUTC() : QDateTime::currentDateTimeUtc();
}

void BatchStack::recordFrame(const Entry* entry)
{
    const QDateTime time = frameTime(entry);
    if (!firstLightTime_.isValid()) firstLightTime_ = time;
    if (o_.serFile.isEmpty() || !framesSaved_) return;
    if (!recorder_.recording() &&
        !recorder_.start(o_.serFile, frameWidth_, frameHeight_, !o_.grey, time, QByteArrayLiteral("velumbra-stack"))) {
        framesSaved_ = false;
        say(Msg::CannotRecordSer, {o_.serFile, recorder_.errorString()});
        return;
    }
    if (!recorder_.addFrame(core_.buffers.frameSlots[0], time)) {
        framesSaved_ = false;
        say(Msg::CannotRecordSer, {o_.serFile, recorder_.errorString()});
        recorder_.finish(); // the frames recorded so far are kept
    }
}

void BatchStack::processLight(int number, const QString& file, const Entry* entry)
{
    recordFrame(entry);
    if (!o_.saveFramesDir.isEmpty() && framesSaved_) {
        const QString name = savedFramePath(o_.saveFramesDir, number);
        if (!writer_.write(name, core_.buffers.frameSlots[0], frameWidth_, frameHeight_)) {
            framesSaved_ = false;
            say(Msg::CannotSaveFrame, {name, writer_.errorString()});
        }
    }
    const bool integrating = core_.integrator.running();
    bool selected = false;
    const bool registering = o_.registration != Registration::None;
    const int rank = o_.bestPercent && number - 1 < int(rank_.size()) ? rank_[std::size_t(number - 1)] : 0;
    const bool kept = !o_.bestPercent || (rank > 0 && rank <= bestKeep_);
    // A frame that cannot be brought onto the first is left out, never added blurred.
    if (kept && registering) calibrateFrame();
    const bool placed = kept && (!registering || registerFrame());
    if (placed) core_.pipeline.ProcessFrame(true, selected);
    if (selected && integrating) ++outcome_.stacked;
    ++outcome_.report.framesRead;
    const ZoneState& z = core_.zone;
    const bool measured = core_.controls.CKB_Suivi;
    const bool lost =
        measured && watch_.lost({core_.pipeline.lastTrackingVerdict(), z.intensityMin, z.intensityMax});
    if (!o_.logFile.isEmpty()) {
        // Joined, not formatted: a file name holding "%3" must stay as it is.
        const QStringList fields{QString::number(number),
                                 csvField(file),
                                 QString::number(selected ? 1 : 0),
                                 QString::number(z.starPos.x),
                                 QString::number(z.starPos.y),
                                 measured ? QString::number(z.intensityMin) : QString(),
                                 measured ? QString::number(z.intensityMax) : QString(),
                                 measured ? QString::number(lost ? 1 : 0) : QString(),
                                 frameScore()};
        QString line = fields.join(QLatin1Char(','));
        if (o_.bestPercent) {
            const double s = number - 1 < int(sharpness_.size()) ? sharpness_[std::size_t(number - 1)] : 0.0;
            line += QLatin1Char(',') + QString::number(s, 'g', 6) + QLatin1Char(',') + QString::number(rank) +
                    QLatin1Char(',') + QString::number(kept ? 1 : 0);
        }
        if (o_.registration == Registration::Planet) {
            const auto fixed = [placed](double v) { return placed ? QString::number(v, 'f', 3) : QString(); };
            line += QLatin1Char(',') + fixed(lastShift_.x()) + QLatin1Char(',') + fixed(lastShift_.y());
        } else if (registering) {
            const QPointF shift = lastMatch_.transform.shiftOf(QPointF((frameWidth_ - 1) / 2.0, (frameHeight_ - 1) / 2.0));
            const auto fixed = [placed](double v, int decimals) { return placed ? QString::number(v, 'f', decimals) : QString(); };
            line += QLatin1Char(',') + fixed(shift.x(), 3) + QLatin1Char(',') + fixed(shift.y(), 3) + QLatin1Char(',') +
                    fixed(lastMatch_.transform.degrees(), 4) + QLatin1Char(',') + QString::number(lastMatch_.matched);
        }
        line += QLatin1Char('\n');
        log_.append(line.toUtf8());
    }
    frameDone();
}

// Without given thresholds the result is stretched between the percentiles
// of the values it shows (inverted values when inverted); a threshold given
// alone keeps its value and takes the other end from them.
void BatchStack::applyThresholds()
{
    StackReport& r = outcome_.report;
    auto& s = core_.controls.GRB_Seuils;
    const Integrator& in = core_.integrator;
    const Plane plane = CurrentPlane(core_.controls.integration);
    ResultStretch stretch;
    const PlaneFigures f = stretch.measure(in.planes.result(), in.planes.sum(plane), in.renderedCells(),
                                           {o_.red, o_.green, o_.blue}, kLowPercentile, kHighPercentile);
    r.cells = f.cells;
    r.saturatedCells = f.saturated;
    r.lowGiven = o_.minimum.has_value();
    r.highGiven = o_.maximum.has_value();
    r.low = o_.minimum.value_or(f.low);
    r.high = o_.maximum.value_or(f.high);
    if (o_.minimum && o_.maximum) return; // Stop rendered with them
    Thresholds::SCB_MinimumScroll(s, r.low, false);
    Thresholds::SCB_MaximumScroll(s, r.high, false);
    core_.integrator.renderCurrent();
}

// Saturated cells and frames where tracking lost the object are told as
// the run ends, after every frame's own messages.
void BatchStack::finishReport()
{
    StackReport& r = outcome_.report;
    const auto n = [](int64_t v) { return QString::number(v); };
    const int b = core_.controls.binning();
    if (r.saturatedCells > 0)
        say(b == 2 ? Msg::SaturatedBinned : Msg::Saturated,
            {n(r.saturatedCells), n(r.cells), n(framesBelowCeiling(b))});
    r.tracking = core_.controls.CKB_Suivi;
    r.trackedFrames = watch_.trackedFrames();
    r.lostFrames = watch_.lostFrames();
    if (r.lostFrames > 0) say(Msg::ObjectLost, {n(r.lostFrames), n(r.trackedFrames)});
    r.stacked = outcome_.stacked;
    r.skipped = int(std::count(failed_.begin(), failed_.end(), true));
    r.output = o_.output;
    r.width = outcome_.resultWidth;
    r.height = outcome_.resultHeight;
    r.elapsedMs = elapsed_.elapsed();
}

bool BatchStack::save()
{
    const int b = core_.controls.binning();
    // The result window's picture, no larger than the frame.
    const int width = std::min(core_.buffers.resultWidth, std::max(1, frameWidth_ / b));
    const int height = std::min(core_.buffers.resultHeight, std::max(1, frameHeight_ / b));
    QString error;
    // A registered stack keeps only what every frame covered: its edges hold fewer frames.
    const QRect crop = resultCrop(width, height);
    const bool written = o_.format == ResultFormat::Fits
                             ? saveFits(o_.output, width, height, crop, error)
                             : writer_.write(o_.output, core_.buffers.result.copy(crop), crop.width(), crop.height());
    if (!written) {
        say(Msg::CannotWrite, {o_.output, o_.format == ResultFormat::Fits ? error : writer_.errorString()});
        return false;
    }
    markAsStackResult(o_.output);
    outcome_.resultWidth = crop.width();
    outcome_.resultHeight = crop.height();
    if (o_.writePar) {
        ParameterRecordWriter records;
        records.setReplaceExisting(true); // beside the output named by -o
        const QString name = recordPathOf(o_.output);
        const ParameterValues values = parameterValuesOf(core_, crop.width(), crop.height());
        const QString base = QFileInfo(name).path() + QLatin1Char('/') + QFileInfo(name).completeBaseName();
        // Dated as the FITS and SER files are: by the first frame, in local time.
        if (!records.WriteParameterRecord(name, base, values, firstLightTime_.toLocalTime())) {
            say(Msg::CannotWrite, {name, records.errorString()});
            return false;
        }
    }
    return writeLog();
}

// The corrected sums the render mapped, as they are: what the thresholds
// cut off in the BMP stays in the file.
bool BatchStack::saveFits(const QString& path, int width, int height, const QRect& crop, QString& error)
{
    FitsKeywords k = fitsKeywordsOf(core_, parameterValuesOf(core_, crop.width(), crop.height()));
    k.dateObs = firstLightTime_;
    k.darkFrames = o_.darks.isEmpty() ? 0 : k.darkFrames;
    k.displayLow = outcome_.report.low;
    k.displayHigh = outcome_.report.high;
    FitsValues all = resultValuesOf(core_, width, height);
    if (crop == QRect(0, 0, width, height)) return writeFitsFile(path, all, k, error);
    FitsValues part;
    part.width = crop.width();
    part.height = crop.height();
    part.planes = all.planes;
    part.values.reserve(std::size_t(part.planes) * std::size_t(part.width) * std::size_t(part.height));
    for (int plane = 0; plane < all.planes; ++plane)
        for (int y = crop.top(); y <= crop.bottom(); ++y)
            for (int x = crop.left(); x <= crop.right(); ++x) part.values.push_back(all.at(x, y, plane));
    return writeFitsFile(path, part, k, error);
}

} // namespace

StackOutcome runStack(const StackOptions& options, MessageSink& messages, StackProgress* progress,
                      const StackText& text)
{
    StackOptions checked = options;
    const PathCheck paths = checkStackPaths(checked, text);
    if (!paths.usageError.isEmpty()) {
        messages.showMessage(false, paths.usageError);
        StackOutcome refused;
        refused.exitStatus = kExitUsage;
        return refused;
    }
    for (const QString& message : paths.leftOut) messages.showMessage(false, message);
    auto batch = std::make_unique<BatchStack>(checked, messages, progress, text);
    return batch->run();
}

// Finds the frame's stars and brings it onto the first registered frame:
// the first with enough stars is the reference; a frame whose stars do not
// match it is refused.
bool BatchStack::registerFrame()
{
    if (o_.registration == Registration::Planet) return registerOnPlanet();
    StackReport& r = outcome_.report;
    r.registering = true;
    QImage& frame = core_.buffers.frameSlots[0];
    const std::vector<FoundStar>& stars = finder_.find(frame, frameWidth_, frameHeight_);
    const std::size_t cells = std::size_t(frameWidth_) * std::size_t(frameHeight_);
    if (!haveReference_) {
        lastMatch_ = MatchResult{};
        lastMatch_.matched = int(stars.size());
        if (int(stars.size()) < MatchSettings{}.minMatched) {
            ++r.unregistered;
            return false;
        }
        referenceStars_ = stars;
        haveReference_ = true;
        lastMatch_.ok = true;
        common_.assign(cells, 1);
        ++r.registered;
        return true;
    }
    lastMatch_ = matcher_.match(referenceStars_, stars);
    if (!lastMatch_.ok) {
        ++r.unregistered;
        return false;
    }
    layOnReference(lastMatch_.transform);
    ++r.registered;
    return true;
}

// The largest rectangle every registered frame covered: the covered part is
// convex (an intersection of turned rectangles), so a rectangle whose four
// edges lie in it lies in it whole; edges that touch an uncovered pixel move in.
void BatchStack::findCommonArea()
{
    if (common_.empty()) return;
    const int w = frameWidth_;
    int left = 0, top = 0, right = frameWidth_ - 1, bottom = frameHeight_ - 1;
    const auto covered = [&](int x, int y) { return common_[std::size_t(y) * std::size_t(w) + std::size_t(x)] != 0; };
    while (left <= right && top <= bottom) {
        bool moved = false;
        for (int x = left; x <= right; ++x)
            if (!covered(x, top)) { ++top; moved = true; break; }
        if (top > bottom) break;
        for (int x = left; x <= right; ++x)
            if (!covered(x, bottom)) { --bottom; moved = true; break; }
        if (top > bottom) break;
        for (int y = top; y <= bottom; ++y)
            if (!covered(left, y)) { ++left; moved = true; break; }
        if (left > right) break;
        for (int y = top; y <= bottom; ++y)
            if (!covered(right, y)) { --right; moved = true; break; }
        if (!moved) break;
    }
    commonArea_ = left <= right && top <= bottom ? QRect(QPoint(left, top), QPoint(right, bottom)) : QRect();
    StackReport& r = outcome_.report;
    r.commonX = commonArea_.x();
    r.commonY = commonArea_.y();
    r.commonWidth = commonArea_.width();
    r.commonHeight = commonArea_.height();
}

// The part of the result image (width x height) that shows the common area.
QRect BatchStack::resultCrop(int width, int height) const
{
    const QRect whole(0, 0, width, height);
    if (commonArea_.isEmpty()) return whole;
    const int b = core_.controls.binning();
    const Rect& cells = core_.integrator.renderedCells();
    // Result pixel (x, y) shows cell (cells.left + x, cells.top + y); a cell is b x b frame pixels.
    const QRect area(QPoint((commonArea_.left() + b - 1) / b - cells.left, (commonArea_.top() + b - 1) / b - cells.top),
                     QPoint((commonArea_.right() + 1) / b - 1 - cells.left, (commonArea_.bottom() + 1) / b - 1 - cells.top));
    const QRect crop = area.intersected(whole);
    return crop.isEmpty() ? whole : crop;
}

// Lays the frame on the reference's planet disc: the sharpest frame with
// --best, else the first frame that shows a disc.
bool BatchStack::registerOnPlanet()
{
    StackReport& r = outcome_.report;
    r.registering = true;
    r.onPlanet = true;
    QImage& frame = core_.buffers.frameSlots[0];
    const std::size_t cells = std::size_t(frameWidth_) * std::size_t(frameHeight_);
    lastShift_ = {};
    if (!planet_.hasReference()) {
        if (!planet_.setReference(frame, frameWidth_, frameHeight_)) {
            ++r.unregistered;
            return false;
        }
        common_.assign(cells, 1);
        ++r.registered;
        return true;
    }
    if (common_.empty()) common_.assign(cells, 1);
    if (!planet_.align(frame, frameWidth_, frameHeight_, lastShift_)) {
        ++r.unregistered;
        return false;
    }
    layOnReference(RigidTransform{0, -lastShift_.x(), -lastShift_.y()});
    ++r.registered;
    return true;
}

// The simulator of --simulate, made again for a second reading of the same night.
void BatchStack::makeSky()
{
    sky_ = std::make_unique<SkySimulator>(clock_, o_.seed);
    if (o_.planet || o_.fieldRotation != 0) {
        SkyParameters sky = sky_->parameters();
        sky.planet = o_.planet;
        sky.fieldRotation = o_.fieldRotation;
        sky_->setParameters(sky);
    }
}

// Lucky imaging's first reading: every light frame's sharpness, their
// ranks, and a copy of the sharpest, the planet's reference. Nothing is
// stacked, saved or recorded; the simulator starts its night again after.
void BatchStack::scoreLights()
{
    sharpness_.clear();
    double best = -1;
    const auto score = [&] {
        const QImage& frame = core_.buffers.frameSlots[0];
        const double s = planet_.sharpness(frame, frameWidth_, frameHeight_);
        if (s > best) {
            best = s;
            sharpest_ = frame.copy(); // only when a sharper frame comes
        }
        sharpness_.push_back(s);
    };
    if (sky_) {
        const QDateTime start = clock_.now();
        for (int n = 1; n <= o_.simulate; ++n) {
            simulateFrame();
            score();
        }
        clock_.set(start);
        makeSky();
    } else {
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].role != Light) continue;
            if (loadEntry(i)) score();
            else sharpness_.push_back(-1); // unreadable: never kept
        }
    }
    std::vector<int> order(sharpness_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return sharpness_[std::size_t(a)] > sharpness_[std::size_t(b)]; });
    rank_.assign(sharpness_.size(), 0);
    int readable = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (sharpness_[std::size_t(order[k])] < 0) continue;
        rank_[std::size_t(order[k])] = ++readable;
    }
    bestKeep_ = readable == 0 ? 0 : std::max(1, int(std::lround(readable * *o_.bestPercent / 100.0)));
    StackReport& r = outcome_.report;
    r.bestPercent = *o_.bestPercent;
    r.bestKept = bestKeep_;
    r.bestOf = readable;
    if (o_.registration == Registration::Planet && !sharpest_.isNull())
        planet_.setReference(sharpest_, frameWidth_, frameHeight_);
}

// The masters as amounts per frame pixel: the mean dark frame at the dark
// level, and the flat's gain (the channel's mean over the cell's value), as
// the sums' correction applies them, one frame at a time.
void BatchStack::prepareFrameCalibration()
{
    const Integrator& in = core_.integrator;
    const bool dark = !o_.darks.isEmpty() && in.stats.frameCount[Dark] > 0;
    const bool flat = !o_.flats.isEmpty() && in.stats.frameCount[Flat] > 0;
    frameDark_.clear();
    frameGain_.clear();
    if (!dark && !flat) return;
    const int b = core_.controls.binning();
    const std::size_t values = std::size_t(frameWidth_) * std::size_t(frameHeight_) * 3;
    frameDark_.assign(values, 0.0f);
    frameGain_.assign(values, 1.0f);
    const double perDark = dark ? o_.darkLevel.value_or(100) / 100.0 / double(in.stats.frameCount[Dark]) / (b * b) : 0.0;
    for (int y = 0; y < frameHeight_; ++y)
        for (int x = 0; x < frameWidth_; ++x)
            for (int c = 0; c < kPlaneChannels; ++c) {
                const std::size_t cell = planeIndex(std::min(x / b, kPlaneColumns - 1), std::min(y / b, kPlaneRows - 1), c);
                // Frame bytes are blue, green, red; plane channels red, green, blue.
                const std::size_t at = (std::size_t(y) * std::size_t(frameWidth_) + std::size_t(x)) * 3 + std::size_t(2 - c);
                if (dark) frameDark_[at] = float(in.planes.sum(Dark)[cell] * perDark);
                if (flat) {
                    const double mean = double(in.flatSum(c)) / double(std::max<int64_t>(in.flatCells(), 1));
                    frameGain_[at] = float(mean / std::max(1, in.planes.sum(Flat)[cell]));
                }
            }
}

void BatchStack::calibrateFrame()
{
    if (frameDark_.empty()) return;
    QImage& frame = core_.buffers.frameSlots[0];
    for (int y = 0; y < frameHeight_; ++y) {
        uint8_t* row = frame.scanLine(y);
        const float* dark = frameDark_.data() + std::size_t(y) * std::size_t(frameWidth_) * 3;
        const float* gain = frameGain_.data() + std::size_t(y) * std::size_t(frameWidth_) * 3;
        for (int x = 0; x < frameWidth_; ++x)
            for (int c = 0; c < 3; ++c) {
                const std::size_t i = std::size_t(x) * 3 + std::size_t(c);
                const float v = std::max(0.0f, float(row[x * kBytesPerPixel + c]) - dark[i]) * gain[i];
                row[x * kBytesPerPixel + c] = uint8_t(std::min(255.0f, v + 0.5f));
            }
    }
}

// The working frame turned and shifted onto the reference, in place; the
// pixels it covered narrow the area common to every frame.
void BatchStack::layOnReference(const RigidTransform& transform)
{
    QImage& frame = core_.buffers.frameSlots[0];
    if (registered_.isNull()) registered_ = QImage(frame.size(), frame.format());
    resampleRigid(frame, frameWidth_, frameHeight_, transform, registered_, &coverage_, &rows_);
    for (int y = 0; y < frameHeight_; ++y)
        std::memcpy(frame.scanLine(y), registered_.constScanLine(y), std::size_t(frameWidth_) * kBytesPerPixel);
    for (std::size_t i = 0; i < common_.size() && i < coverage_.size(); ++i) common_[i] &= coverage_[i];
}

} // namespace velumbra::stack
