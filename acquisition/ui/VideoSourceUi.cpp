#include "acquisition/ui/VideoSourceUi.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/TFRM_Pilote.h"
#include "acquisition/ui/TFRM_PlayControl.h"
#include "acquisition/ui/TFRM_VideoFormat.h"
#include "acquisition/ui/TFRM_VideoSource.h"
#include "acquisition/ui/PNL_Simulateur.h"
#include "acquisition/SimulatorDriver.h"
#include "indi/ui/PNL_Indi.h"

#include <QAction>
#include <QFileDialog>
#include <QShortcut>
#include <QWidget>

namespace velumbra {

VideoSourceUi::VideoSourceUi(FrameSink& sink, MessageSink& messages, const Clock& clock, QWidget* window)
    : window_(window), sky_(clock, SkySimulator::kDefaultSeed), indiClient_(messages), catalogue_(sky_)
{
    catalogue_.setIndi(SystemDriverCatalogue::IndiCameras{indiClient_, indiSettings_, messages});
    source_ = std::make_unique<VideoSource>(sink, messages, clock, catalogue_, static_cast<DriverChooser&>(*this));
    source_->setHooks(this);
    panel_ = new CameraPanel(*source_);
    playControl_ = new TFRM_PlayControl(*source_, window);
    source_->controlsChanged = [this] { refreshControls(); };
    source_->playControlChanged = [this] { refreshPlayControl(); };

    auto action = [this](const QString& name, const QString& text, void (VideoSourceUi::*slot)()) {
        auto* a = new QAction(text, window_);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    MNU_Pilote = action(QStringLiteral("MNU_Pilote"), QStringLiteral("&Pilote"), &VideoSourceUi::MNU_PiloteClick);
    MNU_Format = action(QStringLiteral("MNU_Format"), QStringLiteral("F&ormat"), &VideoSourceUi::MNU_FormatClick);
    MNU_Source = action(QStringLiteral("MNU_Source"), QStringLiteral("&Source"), &VideoSourceUi::MNU_SourceClick);
    MNU_Ouvrir_Image = action(QStringLiteral("MNU_Ouvrir_Image"), QStringLiteral("Image"),
                              &VideoSourceUi::MNU_Ouvrir_ImageClick);
    MNU_Ouvrir_Dark = action(QStringLiteral("MNU_Ouvrir_Dark"), QStringLiteral("Dark"),
                             &VideoSourceUi::MNU_Ouvrir_DarkClick);
    MNU_Ouvrir_Flat = action(QStringLiteral("MNU_Ouvrir_Flat"), QStringLiteral("Flat"),
                             &VideoSourceUi::MNU_Ouvrir_FlatClick);

    // Escape ends stream mode; only then, so dialogs keep their own Escape.
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape_->setContext(Qt::ApplicationShortcut);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, this, [this] {
        if (source_->turboMode()) source_->BTN_TurboClick();
    });
    refreshControls();
}

VideoSourceUi::~VideoSourceUi()
{
    source_->controlsChanged = nullptr;
    source_->playControlChanged = nullptr;
    source_->setHooks(nullptr);
    // The panel and the play control call the source from their handlers: a
    // focus leaving the refresh field while the main window is torn down
    // would reach a freed source. They are deleted before it.
    delete panel_.data();
    delete playControl_.data();
}

CameraPanel* VideoSourceUi::panel() const { return panel_; }

TFRM_PlayControl* VideoSourceUi::playControl() const { return playControl_; }

std::optional<int> VideoSourceUi::choose(const QStringList& entries)
{
    if (chooserOverride) return chooserOverride(entries);
    TFRM_Pilote dialog(window_);
    dialog.setEntries(entries);
    auto* indi = new PNL_Indi(indiClient_, indiSettings_);
    indi->applyTexts(*texts_);
    // What the user does in the panel stands: a server disconnected there stays so.
    dialog.setIndiPanel(indi, texts_->text(u"INDI_Pilote"), [this] { return catalogue_.describeWithoutConnecting(); });
    if (translateDialog) translateDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedIndex();
}

void VideoSourceUi::frameShown()
{
    shell_->frameShown();
}

void VideoSourceUi::refreshControls()
{
    const VideoSourceControls& c = source_->controls;
    panel_->refresh();
    escape_->setEnabled(source_->turboMode());
    MNU_Format->setEnabled(c.MNU_Format_Enabled);
    MNU_Source->setEnabled(c.MNU_Source_Enabled);
    MNU_Pilote->setEnabled(c.MNU_Pilote_Enabled);
}

void VideoSourceUi::refreshPlayControl()
{
    // The window set places it beside the main window.
    playControl_->refresh();
}

void VideoSourceUi::MNU_PiloteClick() { source_->GetDriver(); }

void VideoSourceUi::MNU_FormatClick()
{
    VideoDriver* driver = source_->driver();
    if (!driver) return;
    TFRM_VideoFormat dialog(window_);
    dialog.setChoices(driver->formatChoices(), driver->currentFormat());
    if (translateDialog) translateDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted) return;
    if (const auto choice = dialog.selected()) source_->MNU_FormatClick(*choice);
}

void VideoSourceUi::MNU_SourceClick()
{
    VideoDriver* driver = source_->driver();
    if (!driver) return;
    TFRM_VideoSource dialog(
        driver->controls(), [this](uint32_t id, double v) { source_->MNU_SourceChange(id, v); },
        [this] {
            VideoDriver* d = source_->driver();
            return d ? d->controls() : std::vector<DriverControl>{};
        },
        window_);
    if (dynamic_cast<SimulatorDriver*>(driver)) {
        auto size = [this] {
            VideoDriver* d = source_->driver();
            const FormatChoice f = d ? d->currentFormat() : FormatChoice{};
            return QSize(f.width > 0 ? f.width : 640, f.height > 0 ? f.height : 480);
        };
        dialog.addPage(new PNL_Simulateur(sky_, size), QStringLiteral("Vérité"));
    }
    if (translateDialog) translateDialog(&dialog);
    dialog.exec();
}

void VideoSourceUi::MNU_Ouvrir_ImageClick()
{
    const QStringList files = QFileDialog::getOpenFileNames(window_, QStringLiteral("Ouvrir"), source_->lastFolder(),
                                                            QStringLiteral("Bitmaps (*.bmp)"));
    if (!files.isEmpty()) source_->openPlayback(files, PlaybackKind::Image);
}

void VideoSourceUi::MNU_Ouvrir_DarkClick()
{
    const QString file = QFileDialog::getOpenFileName(window_, QStringLiteral("Ouvrir"), QString(),
                                                      QStringLiteral("Bitmaps (*.bmp)"));
    if (!file.isEmpty()) source_->openPlayback({file}, PlaybackKind::Dark);
}

void VideoSourceUi::MNU_Ouvrir_FlatClick()
{
    const QString file = QFileDialog::getOpenFileName(window_, QStringLiteral("Ouvrir"), QString(),
                                                      QStringLiteral("Bitmaps (*.bmp)"));
    if (!file.isEmpty()) source_->openPlayback({file}, PlaybackKind::Flat);
}

} // namespace velumbra
