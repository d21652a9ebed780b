#pragma once
#include "core/Clock.h"
#include "core/LanguageTable.h"
#include "core/Messages.h"
#include "simulator/SkySimulator.h"
#include "acquisition/V4l2Driver.h"
#include "acquisition/control/VideoSource.h"
#include "indi/IndiClient.h"
#include "indi/IndiSettings.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QShortcut;
class QWidget;

namespace velumbra {

class CameraPanel;
class TFRM_PlayControl;

// The video source with its windows: the camera group, the driver chooser,
// the format and source dialogs, the play control and the menu entries.
// The main window places the panel and the actions; everything else is here.
class VideoSourceUi : public QObject, private DriverChooser, private VideoSourceHooks {
    Q_OBJECT
public:
    VideoSourceUi(FrameSink& sink, MessageSink& messages, const Clock& clock, QWidget* window);
    ~VideoSourceUi() override;

    VideoSource& source() { return *source_; }
    SkySimulator& sky() { return sky_; }
    // The program's one INDI connection and its [INDI] settings.
    IndiClient& indiClient() { return indiClient_; }
    IndiSettings& indiSettings() { return indiSettings_; }
    CameraPanel* panel() const;
    TFRM_PlayControl* playControl() const;

    // The language of the windows this part makes when asked (the chooser's INDI panel).
    void setTexts(const NamedTexts& texts) { texts_ = &texts; }

    // Replaces the driver chooser dialog (scripts and tests pick an entry).
    std::function<std::optional<int>(const QStringList&)> chooserOverride;
    // Puts the chosen language into a dialog made for one use (the driver
    // chooser, the format and source dialogs) before it shows.
    std::function<void(QWidget*)> translateDialog;

    // What the other parts do on a start, a stop or a frame (the main window).
    void setShellHooks(VideoSourceHooks* hooks) { shell_ = hooks ? hooks : &noShell_; }

    QAction* MNU_Pilote = nullptr;
    QAction* MNU_Format = nullptr;
    QAction* MNU_Source = nullptr;
    QAction* MNU_Ouvrir_Image = nullptr;
    QAction* MNU_Ouvrir_Dark = nullptr;
    QAction* MNU_Ouvrir_Flat = nullptr;

    void MNU_PiloteClick();
    void MNU_FormatClick();
    void MNU_SourceClick();
    void MNU_Ouvrir_ImageClick();
    void MNU_Ouvrir_DarkClick();
    void MNU_Ouvrir_FlatClick();

private:
    std::optional<int> choose(const QStringList& entries) override;
    void frameShown() override;
    void captureStarted(bool playback) override { shell_->captureStarted(playback); }
    void captureStopped() override { shell_->captureStopped(); }
    void cameraFailed() override { shell_->cameraFailed(); }
    void formatChanged(bool accepted) override { shell_->formatChanged(accepted); }
    void countFrameForSaving(bool selected) override { shell_->countFrameForSaving(selected); }
    bool longExposureTakesTick() override { return shell_->longExposureTakesTick(); }
    void stopLongExposure() override { shell_->stopLongExposure(); }
    void stopIntegration() override { shell_->stopIntegration(); }
    void playbackKindChosen(PlaybackKind kind) override { shell_->playbackKindChosen(kind); }
    void addCalibrationFrame(PlaybackKind kind) override { shell_->addCalibrationFrame(kind); }
    void addToAccumulation() override { shell_->addToAccumulation(); }
    void refreshControls();
    void refreshPlayControl();

    QWidget* window_;
    const NamedTexts* texts_ = &NamedTexts::builtIn();
    SkySimulator sky_;
    IndiClient indiClient_;
    IndiSettings indiSettings_;
    SystemDriverCatalogue catalogue_;
    std::unique_ptr<VideoSource> source_;
    // Placed in the main window, but they call the source: they go with it.
    QPointer<CameraPanel> panel_;
    QPointer<TFRM_PlayControl> playControl_;
    QShortcut* escape_ = nullptr;
    VideoSourceHooks noShell_;
    VideoSourceHooks* shell_ = &noShell_;
};


} // namespace velumbra
