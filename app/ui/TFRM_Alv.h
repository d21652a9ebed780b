#pragma once
#include "core/Clock.h"
#include "core/DebugLog.h"
#include "core/Messages.h"
#include "acquisition/control/VideoSource.h"
#include "app/CloseQuestion.h"
#include "app/LiveImageGestures.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"
#include "results/ResultClicks.h"
#include "settings/Language.h"
#include "settings/Optics.h"

#include <QHash>
#include <QMainWindow>
#include <memory>
#include <optional>
#include <utility>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTabWidget;
class QGroupBox;
class QFrame;

namespace velumbra {

class ContextHelp;
class ShellSettings;
class ShellLanguage;
class ShellPreferences;
class ShellLongExposure;
class HelpWindow;
class ImageView;
class TAboutBox;
class TFRM_Alv_Child;
class TFRM_Pref;
class TFRM_Main;
class GRB_Operations;
class PNL_Info_Image;
class PNL_Reticule;
class WindowPlacer;
class PNL_Declinaison;
class TFRM_Ressources;
class TNumInp;
class ZonesGroup;
class TrackingPanel;
class IntegrationEvents;
class PNL_Integration;
class GRB_Seuils;
class TFRM_Equal;
class VideoSourceUi;
class MeasuresUi;

// Main window: lays out the tool strip and the live image, carries the menu
// and the message panel, and wires the subsystems to their controls. It holds
// none of their logic.
class TFRM_Alv : public QMainWindow, public MessageSink, private PipelineView, private VideoSourceHooks,
                 private ResultClickActions {
    Q_OBJECT
public:
    explicit TFRM_Alv(QWidget* parent = nullptr);
    ~TFRM_Alv() override;

    ImageCore& core() { return core_; }
    CoreStages& stages() { return stages_; }
    DebugLog& debugLog() { return debugLog_; }
    ImageView* image1() const { return image1_; }

    // Windows created after the main window, handed over by the window set.
    void setResultWindow(TFRM_Alv_Child* child);
    void setPreferences(TFRM_Pref* pref);
    void setAboutBox(TAboutBox* about);
    void setResources(TFRM_Ressources* resources);
    void setEqualizer(TFRM_Equal* equalizer);
    // "Aide à la mise en station": the menu opens it, its procedures read
    // the preferences and draw on the live image.
    void setPolarAlignment(TFRM_Main* window);
    GRB_Operations* operations() const { return grbOperations_; }
    PNL_Reticule* reticlePanel() const { return pnlReticule_; }
    PNL_Info_Image* infoPanel() const { return pnlInfoImage_; }
    PNL_Declinaison* declinationPage() const { return pnlDeclinaison_; }
    TrackingPanel* trackingPanel() const { return trackingPanel_; }
    TFRM_Alv_Child* resultWindow() const { return child_; }
    TFRM_Pref* preferences() const { return pref_; }
    ShellSettings& settings() { return *settings_; }
    // The chosen language's texts, asked by whatever composes a message.
    const NamedTexts& texts() const { return texts_; }
    LanguageTexts& languageTexts() { return texts_; }
    // Loads the language list and applies the language at the first activation.
    void setLanguage(ShellLanguage* language) { language_ = language; }
    // The long exposures, which take the refresh tick while they run.
    void setLongExposure(ShellLongExposure* wiring) { longExposure_ = wiring; }
    // Image1 and the result image show the frame just processed.
    void showFrame() { frameShown(); }
    void setToolWindow(QWidget* window);
    void showToolWindow(const QString& objectName);
    QWidget* toolWindow(const QString& objectName) const { return toolWindows_.value(objectName); }
    // Where the windows open; their places are written with the settings.
    void setWindowPlacer(WindowPlacer* placer) { placer_ = placer; }
    WindowPlacer* windowPlacer() const { return placer_; }

    // Sampling and field of view from the optics and camera preferences and
    // the frame size; nothing changes before a frame size is known.
    void ComputeSampling();
    // The optics or the camera changed: sampling, reticle and the angle
    // between the last two clicked points follow.
    void opticsRefreshed();
    // The reticle drawn again into its layer: centre, circles, cross,
    // orientation and sampling as they are now.
    void redrawReticle();
    // The field's unit caption again, in the language of the moment.
    void showFieldUnit();
    // The night mode as the View menu says (red on black windows, and the
    // live image red when chosen).
    void showNightMode();

    // Shows a frame that a source placed in slot 0 at the given size.
    bool showNewFrame(int width, int height);

    // The one way every part reports: a line in the message panel.
    void showMessage(bool clear, const QString& text) override;

    // A source started or stopped: the operations menu and the tool check
    // boxes follow.
    void setSourceRunning(bool running);
    bool sourceRunning() const { return sourceRunning_; }

    // Mouse button released over the live image.
    void Image1MouseUp(QPoint position, Qt::MouseButton button, Qt::KeyboardModifiers keys);

    // Help: the topic F1 opens, that of the area the mouse last entered.
    int currentHelpTopic() const;
    HelpWindow* helpWindow() const { return help_; }

    // Controls of the shell, reachable by the other windows.
    QPlainTextEdit* MEMO_Message = nullptr;
    QGroupBox* GRB_Message = nullptr;
    QStackedWidget* sharedPlace = nullptr; // GRB_Message and the thresholds group GRB_Seuils
    ZonesGroup* GRB_Zones = nullptr;
    QGroupBox* GRB_Camera = nullptr;
    QCheckBox* CKB_Suivi = nullptr;
    QCheckBox* CKB_Reticule = nullptr;
    QCheckBox* CKB_Detection_Mvt = nullptr;
    QCheckBox* CKB_Info_Image = nullptr;
    QStackedWidget* toolPanels = nullptr; // PNL_Suivi, PNL_Reticule, PNL_Detection_Mvt, PNL_Info_Image
    QTabWidget* PGC_Infos = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QScrollArea* SBX_Images = nullptr;
    QWidget* PNL_Videocap = nullptr;
    TNumInp* TNI_Echantillonnage = nullptr;
    TNumInp* TNI_ChampX = nullptr; // field of view, in the unit LBL_Unite_Champ shows
    TNumInp* TNI_ChampY = nullptr;
    QLabel* LBL_Unite_Champ = nullptr;
    TNumInp* TNI_Lx = nullptr;
    TNumInp* TNI_Ly = nullptr;
    TNumInp* TNI_DistObjet = nullptr;
    QLineEdit* EDT_Angle_Calcule = nullptr;
    QLineEdit* EDT_Distance_Calculee = nullptr;

    QAction* MNU_Ouvrir_Image = nullptr;
    QAction* MNU_Ouvrir_Dark = nullptr;
    QAction* MNU_Ouvrir_Flat = nullptr;
    QAction* MNU_Fermer = nullptr;
    QAction* MNU_Pilote = nullptr;
    QAction* MNU_Format = nullptr;
    QAction* MNU_Source = nullptr;
    // View: the night mode and its red live image.
    QAction* MNU_Mode_Nuit = nullptr;
    QAction* MNU_Nuit_Image_Rouge = nullptr;
    QAction* MNU_Binning_1x1 = nullptr;
    QAction* MNU_Binning_2x2 = nullptr;
    QAction* MNU_Options = nullptr;
    QMenu* MNU_Operations = nullptr;
    QAction* MNU_TailleOrientCapt = nullptr;
    QAction* MNU_Erreur_MES = nullptr;
    QAction* MNU_Erreur_Periodique = nullptr;
    QAction* MNU_Decl_Etoile = nullptr;
    QAction* MNU_Telescope = nullptr;
    QAction* Aide1 = nullptr;
    QAction* APropos1 = nullptr;
    QAction* Ressources1 = nullptr;

    // The tool panel brought to the front by a tool check box.
    QWidget* toolPanelFor(QCheckBox* box) const;
    void showToolPanel(QCheckBox* box);

    // Reticle centre moved by Ctrl + left click (drawn by the overlays).
    Point reticleCentre;

    // What runs now and would end with the program.
    RunningWork runningWork() const;
    // Asked before closing while work runs, with the question; true closes.
    // Unset: a question box, "No" by default. Tests answer it.
    std::function<bool(const QString& question)> confirmClose;
    // Closes without asking (the program was told to end by a signal).
    void closeWithoutAsking();

    // A row placed under the tracking panel (the guiding controls).
    void addUnderTrackingPanel(QWidget* row);
    // Shift + Ctrl + left click with a mount chosen: the offset from the
    // guiding reference to the clicked point goes to the guiding correction.
    std::function<void(Point offset)> guideClick;

signals:
    void binningChanged(int binning);
    // The camera stopped answering: what its frames drove stops with it.
    void cameraLost();
    // The main window closes: sources stop, measurements end, settings are written.
    void formClosing();
    // The settings file was read into the windows.
    void settingsLoaded();
    // The mouse is over the result image at `at` (its pixels).
    void resultPointed(Point at);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // PipelineView
    void repaintDisplay() override;
    void repaintResult() override;
    void setSelectedLamp(bool selected) override;

    bool askToClose(const QString& question);
    void FormCreate();
    void FormActivate();
    void buildMenu();
    QWidget* buildToolStrip();
    QWidget* buildMessageGroup();
    QWidget* buildToolBoxes();
    QWidget* buildInfoPages();
    QWidget* buildMeasuresPage();
    QWidget* buildSamplingPage();
    void setHints();
    void MNU_BinningClick(int binning);
    void applyResultSize();
    GestureContext gestureContext() const;
    void wireResults();
    void wireOperations();
    void wireTracking();
    void wireIntegration();
    void wireVideoSource();

    SystemClock clock_;
    ImageCore core_{clock_};
    CoreStages stages_{core_};
    DebugLog debugLog_;
    LiveImageGestures gestures_;
    // The two points of the last measure, on the live or the result image.
    std::optional<std::pair<Point, Point>> measured_;

    ImageView* image1_ = nullptr;
    TFRM_Alv_Child* child_ = nullptr;
    TFRM_Pref* pref_ = nullptr;
    TFRM_Main* polar_ = nullptr;
    ShellPreferences* prefWiring_ = nullptr;
    ShellLongExposure* longExposure_ = nullptr;
    GRB_Operations* grbOperations_ = nullptr;
    PNL_Reticule* pnlReticule_ = nullptr;
    PNL_Info_Image* pnlInfoImage_ = nullptr;
    PNL_Declinaison* pnlDeclinaison_ = nullptr;
    TAboutBox* about_ = nullptr;
    TFRM_Ressources* resources_ = nullptr;
    HelpWindow* help_ = nullptr;
    WindowPlacer* placer_ = nullptr;
    ContextHelp* contextHelp_ = nullptr;
    QWidget* PNL_Image_Selected = nullptr;
    QHash<QString, QWidget*> toolWindows_;
    QList<QCheckBox*> toolBoxes_;
    QList<QLabel*> toolLabels_;
    std::unique_ptr<ShellSettings> settings_;
    LanguageTexts texts_;
    ShellLanguage* language_ = nullptr;
    bool shellInitialised_ = false;
    bool askOnClose_ = true;
    bool sourceRunning_ = false;
    FieldUnit fieldUnit_ = FieldUnit::Seconds; // the unit the field was last shown in
    std::optional<bool> selectedLamp_;         // what the frame-selected lamp last said
    TrackingPanel* trackingPanel_ = nullptr;
    MeasuresUi* measuresUi_ = nullptr;

    // Integration panel, thresholds and equalizer
    IntegrationEvents* integrationEvents_ = nullptr;
    PNL_Integration* pnlIntegration_ = nullptr;
    GRB_Seuils* grbSeuils_ = nullptr;
    TFRM_Equal* frmEqual_ = nullptr;
    QSize shownResultSize_;

public:
    PNL_Integration* integrationPanel() const { return pnlIntegration_; }
    GRB_Seuils* thresholdGroup() const { return grbSeuils_; }
    TFRM_Equal* equalizer() const { return frmEqual_; }
    IntegrationEvents* integrationEvents() const { return integrationEvents_; }
    // The quality and focus tabs, the motion panel and their windows.
    MeasuresUi* measures() const { return measuresUi_; }
    // Video source: declared last so it goes before the image core it feeds.
    std::unique_ptr<VideoSourceUi> videoSource_;

public:
    VideoSourceUi& videoSource() { return *videoSource_; }

private:
    // VideoSourceHooks: what a start, a stop or a frame asks of the other parts.
    void frameShown() override;
    void captureStarted(bool playback) override;
    void captureStopped() override;
    void cameraFailed() override;
    void formatChanged(bool accepted) override;
    void countFrameForSaving(bool selected) override;
    bool longExposureTakesTick() override;
    void stopLongExposure() override;
    void stopIntegration() override;
    void playbackKindChosen(PlaybackKind kind) override;
    void addCalibrationFrame(PlaybackKind kind) override;
    void addToAccumulation() override;

    // ResultClickActions: what clicks on the result image ask of the shell.
    void setDriftReference(Point starPos) override;
    void zonesChanged() override;
    void placeReticle(Point offsetFromStar) override;
    void measurePoints(Point previous, Point current) override;
    void showPixel(Point at, int red, int green, int blue) override;
};

} // namespace velumbra
