#pragma once
#include "core/Clock.h"
#include "acquisition/FrameChecks.h"
#include "acquisition/FrameSink.h"
#include "core/Messages.h"
#include "core/Pause.h"
#include "acquisition/PlayControl.h"
#include "acquisition/VideoDriver.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace velumbra {

enum class PlaybackKind { Image, Dark, Flat };

// Values and states of the camera controls. The panel writes the values
// from its change handlers and shows the states after controlsChanged.
struct VideoSourceControls {
    double TNI_Tps_Rafraichissement = 50; // refresh time, ms (33..10000)
    bool CKB_RAW = false;                 // preferences: rebuild colour from the sensor mosaic
    int rawMode = 0;                      // "Mode 1" .. "Mode 4"
    bool debugActive = false;             // preferences "Debug actif": the format read goes to the log
    QString debugLogPath = QStringLiteral("Debug.log");

    bool BTN_Start_Enabled = true;
    bool BTN_Stop_Enabled = false;
    bool BTN_Turbo_Enabled = false;
    QString BTN_Turbo_Caption = QStringLiteral("Flux");
    // The language's two captions: "Stream" outside stream mode (it starts
    // it), "Frame" in it (it goes back to single frames).
    QString BTN_Turbo_Caption_Stream = QStringLiteral("Flux");
    QString BTN_Turbo_Caption_Frame = QStringLiteral("Image");
    bool MNU_Format_Enabled = false;
    bool MNU_Source_Enabled = false;
    bool MNU_Pilote_Enabled = true;
    QString EDT_FPS;
};

// The driver chooser dialog: returns the chosen position, nothing on "Annuler".
class DriverChooser {
public:
    virtual ~DriverChooser() = default;
    virtual std::optional<int> choose(const QStringList& entries) = 0;
};

// What the video source asks of the other parts. Each does nothing until
// its part is wired in.
class VideoSourceHooks {
public:
    virtual ~VideoSourceHooks() = default;
    // Image1 and the result image show a new frame.
    virtual void frameShown() {}
    // A start reached its common part (result window, operations, motion reference...).
    virtual void captureStarted(bool /*playback*/) {}
    // Capture stopped (integration, tracking and measurement controls).
    virtual void captureStopped() {}
    // The camera failed mid-run; the capture stop follows.
    virtual void cameraFailed() {}
    // The driver's format changed and passed its check, or not.
    virtual void formatChanged(bool /*accepted*/) {}
    // The result window's frame count for sequence saving.
    virtual void countFrameForSaving(bool /*selected*/) {}
    // Long exposure owns the refresh tick while it runs.
    virtual bool longExposureTakesTick() { return false; }
    virtual void stopLongExposure() {}
    virtual void stopIntegration() {}
    // Playback: the integration mode matching the list, and the single pass of a dark or flat.
    virtual void playbackKindChosen(PlaybackKind /*kind*/) {}
    virtual void addCalibrationFrame(PlaybackKind /*kind*/) {}
    // "Ajouter": the shown image once into the current accumulation.
    virtual void addToAccumulation() {}
};

// The video source: driver start and stop, the refresh timer Timer1,
// stream mode, format change, BMP playback and its play control.
class VideoSource {
public:
    VideoSource(FrameSink& sink, MessageSink& messages, const Clock& clock, VideoDriverCatalogue& catalogue,
                DriverChooser& chooser);
    ~VideoSource();

    void setHooks(VideoSourceHooks* hooks) { hooks_ = hooks ? hooks : &noHooks_; }
    // While a wait of the user-interface thread runs (a serial reply), the
    // frame ticks are skipped: the frame being processed is not overtaken.
    void setPause(const Pause* pause) { pause_ = pause; }
    std::function<void()> controlsChanged;    // the camera panel shows controls
    std::function<void()> playControlChanged; // the play control shows its state

    VideoSourceControls controls;
    PlayButtons playButtons;
    QString EDT_Fichier;
    bool playControlVisible() const { return playControlVisible_; }

    // Commands
    bool GetDriver();
    void BTN_StartClick();
    void BTN_StopClick();
    void BTN_TurboClick();
    // Format dialog confirmed with this choice (only with a connected driver).
    void MNU_FormatClick(const FormatChoice& choice);
    void MNU_SourceChange(uint32_t controlId, double value);
    void openPlayback(QStringList files, PlaybackKind kind);
    void playButtonPressed(PlayButton button);
    void setLoop(bool down);
    void BTN_AjouterClick() { hooks_->addToAccumulation(); }
    // Refresh field or scroll bar changed.
    void setRefreshTime(double ms);

    // Frame sources
    void Timer1Timer();
    bool grabFrame(int slot);
    void VideoStreamCallback();
    void LoadImage();

    // State
    QTimer& timer1() { return timer1_; }
    VideoDriver* driver() const { return driver_.get(); }
    bool playback() const { return playback_; }
    bool running() const { return running_; }
    bool turboMode() const;
    // A language's captions of "Flux": the button shows the one of the
    // current mode at once.
    void setTurboCaptions(const QString& stream, const QString& frame);
    bool firstStart() const { return firstStart_; }
    int frameCounter() const { return rate_.frameCounter(); }
    int driverIndex() const { return driverIndex_; }
    int playbackIndex() const { return playIndex_; }
    const QStringList& playbackList() const { return playList_; }
    QString lastFolder() const { return lastFolder_; }
    // Frame period asked of the driver in stream mode, microseconds.
    int requestedFramePeriodUs() const;
    int refreshIntervalMs() const;

private:
    void Start();
    bool startDriver();
    void startCommon();
    bool startPlayback();
    bool loadEntry(int index);
    bool decodeInto(int slot, const std::function<GrabResult(QImage&)>& fill);
    void stopDriver();
    void stopPlayback();
    void driverFailed(const QString& why = QString());
    void leaveStreamMode();
    bool readAndCheckFormat();
    void logFormat(const VideoFormat& format);
    void applyFrameSize(int width, int height);
    void showRate(const std::optional<QString>& text);
    void notify();
    void notifyPlay();
    // A wait of the thread runs, or a frame is still going through the
    // routine: this tick's frame would overtake it.
    bool holdBack() const { return (pause_ && pause_->pausing()) || sink_.frameRoutineRunning(); }

    FrameSink& sink_;
    MessageSink& messages_;
    const Clock& clock_;
    VideoDriverCatalogue& catalogue_;
    DriverChooser& chooser_;
    VideoSourceHooks noHooks_;
    VideoSourceHooks* hooks_ = &noHooks_;
    const Pause* pause_ = nullptr;
    QTimer timer1_;
    RateMeter rate_;
    std::unique_ptr<VideoDriver> driver_;
    std::unique_ptr<VideoDriver> retired_; // stopped from inside its own callback
    QImage scratch_; // RAW source; made once
    qint64 lastFrameMs_ = -1; // steady milliseconds of the last frame; -1: none yet
    int driverIndex_ = -1;
    int targetSlot_ = 0;
    bool running_ = false;
    bool playback_ = false;
    bool firstStart_ = true;
    bool playControlVisible_ = false;
    QStringList playList_;
    int playIndex_ = 0;
    PlaybackKind playKind_ = PlaybackKind::Image;
    QString lastFolder_;
};

} // namespace velumbra
