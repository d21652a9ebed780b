#include "app/ui/WindowSet.h"
#include "indi/ui/PNL_Indi.h"
#include "acquisition/ui/TFRM_PlayControl.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "aids/ui/GRB_Operations.h"
#include "aids/ui/TFRM_ErrPeriod.h"
#include "aids/ui/TFRM_Main.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/ShellAids.h"
#include "app/ui/ShellGuiding.h"
#include "app/ui/ShellInfo.h"
#include "app/ui/ShellLanguage.h"
#include "app/ui/ShellLongExposure.h"
#include "app/ui/ShellMeasures.h"
#include "app/ui/ShellPaddle.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/ShellTelescope.h"
#include "app/ui/ShellWindows.h"
#include "app/ui/TAboutBox.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/TFRM_Ressources.h"
#include "app/ui/WindowPlacer.h"
#include "exposure/LongExposure.h"
#include "exposure/PortAccessLines.h"
#include "exposure/ui/TFRM_Longuepose.h"
#include "processing/ui/TFRM_Equal.h"
#include "processing/ui/TFRM_FWHM.h"
#include "processing/ui/TFRM_ImgRef.h"
#include "processing/ui/TFRM_Info.h"
#include "processing/ui/TFRM_Prg_Action.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "simulator/SimulatorDevices.h"
#include "telescope/Telescope.h"
#include "telescope/ui/TFRM_ComTrafic.h"
#include "telescope/ui/TFRM_Prg_Suivi.h"
#include "telescope/ui/TFRM_Raquette.h"

#include "core/Clock.h"
#include "settings/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace velumbra {

WindowSet::WindowSet()
{
    main_ = std::make_unique<TFRM_Alv>();
    order_ << main_->objectName();
    auto& core = main_->core();
    // The mount layer reports in the main window's message panel.
    telescope_ = std::make_unique<Telescope>(*main_);
    main_->videoSource().source().setPause(&telescope_->pause);
    simulator_ = std::make_unique<SimulatorDevices>(main_->videoSource().sky());
    telescope_->attachSimulator(simulator_.get());
    telescope_->attachIndi(main_->videoSource().indiClient(), main_->videoSource().indiSettings());
    exposureLines_ = std::make_unique<PortAccessLines>(telescope_->ports);
    longExposure_ = std::make_unique<LongExposure>(*exposureLines_, telescope_->clock, core.buffers);

    ShellSettings& settings = main_->settings();
    add(pref_ = new TFRM_Pref(core.controls, main_->debugLog(), settings.prefs(), settings.profiles()));
    pref_->setIndiPanel(new PNL_Indi(main_->videoSource().indiClient(), main_->videoSource().indiSettings()));
    add(polar_ = new TFRM_Main(main_->operations()->sequencer(), *main_));
    add(about_ = new TAboutBox);
    add(child_ = new TFRM_Alv_Child);
    add(periodic_ = new TFRM_ErrPeriod(main_->operations()->sequencer(), *main_));
    add(resources_ = new TFRM_Ressources);
    auto* fwhm = new TFRM_FWHM;
    add(fwhm);
    // The play control belongs to the video source, made with the main window.
    order_ << QStringLiteral("TFRM_PlayControl");
    auto* action = new TFRM_Prg_Action(core);
    add(action);
    auto* reference = new TFRM_ImgRef(core);
    add(reference);
    add(info_ = new TFRM_Info(core));
    Mount& mount = telescope_->mount;
    add(guiding_ = new TFRM_Prg_Suivi(mount, [&mount] { return mount.linkUp(); }));
    add(paddle_ = new TFRM_Raquette(mount, telescope_->pause));
    add(longExposureWindow_ = new TFRM_Longuepose(*longExposure_));
    add(equal_ = new TFRM_Equal(core));
    add(traffic_ = new TFRM_ComTrafic(telescope_->traffic));
    add(new ShellWindow(QStringLiteral("TFRM_Seuils"), QStringLiteral("Seuils")));
    add(new ShellWindow(QStringLiteral("TFRM_Integration"), QStringLiteral("Integration")));

    main_->setPreferences(pref_);
    main_->setPolarAlignment(polar_);
    shellTelescope_ = std::make_unique<ShellTelescope>(*main_, *pref_, *telescope_, *traffic_);
    shellAids_ = std::make_unique<ShellAids>(*main_, *polar_, *periodic_);
    shellGuiding_ = std::make_unique<ShellGuiding>(*main_, *pref_, *telescope_, *shellTelescope_, *guiding_);
    shellPaddle_ = std::make_unique<ShellPaddle>(*main_, *pref_, *shellGuiding_, *paddle_);
    shellInfo_ = std::make_unique<ShellInfo>(*main_, *info_);
    main_->setAboutBox(about_);
    main_->setResultWindow(child_);
    main_->setResources(resources_);
    main_->setEqualizer(equal_);
    shellLongExposure_ =
        std::make_unique<ShellLongExposure>(*main_, *pref_, *longExposure_, *longExposureWindow_, *shellGuiding_);
    main_->setLongExposure(shellLongExposure_.get());
    auto* measures = new ShellMeasures(*main_, child_, fwhm, reference, action);
    measures->setLongExposure(shellLongExposure_.get());
    for (const auto& w : others_) main_->setToolWindow(w.get());
    main_->operations()->sequencer().setTexts(&main_->texts());
    language_ = std::make_unique<ShellLanguage>(*main_, *pref_, *paddle_,
                                                [this](const QString& name) { return window(name); });
    main_->videoSource().translateDialog = [this](QWidget* dialog) { language_->translate(dialog); };

    // Every window belongs to the main window: it stays above it, goes
    // with it when it is minimised, and never above other programs.
    for (const auto& w : others_) adopt(w.get());
    adopt(main_->videoSource().playControl());

    // Tool windows open beside the main window, not over it, or where the
    // user last put them. The result window and the play control stay
    // while their work goes on.
    placer_ = new WindowPlacer(main_.get());
    for (const auto& w : others_)
        placer_->manage(w.get(), w.get() == child_ ? WindowPlacer::Closing::ByProgram : WindowPlacer::Closing::ByUser);
    placer_->manage(main_->videoSource().playControl(), WindowPlacer::Closing::ByProgram);
    placer_->manage(main_->helpWindow(), WindowPlacer::Closing::ByUser);
    main_->setWindowPlacer(placer_);
}

void WindowSet::adopt(QWidget* w)
{
    if (!w) return;
    Qt::WindowFlags flags = w->windowFlags() & ~Qt::WindowStaysOnTopHint;
    // Dialogs stay dialogs; the result window keeps its minimise button,
    // being the one window the user minimises; the others are tool windows.
    if (w->windowType() == Qt::Window && w != child_) flags = (flags & ~Qt::WindowType_Mask) | Qt::Tool;
    const bool visible = w->isVisible();
    w->setParent(main_.get(), flags);
    if (visible) w->show();
}

void WindowSet::restorePlaces()
{
    // Velumbra.ini is in the folder the program starts from; the settings
    // read it again, as a whole, once the main window is up.
    // A file that cannot be read is said by the settings' own reading.
    const QFileInfo file(QDir::current().filePath(QStringLiteral("Velumbra.ini")));
    if (!file.isFile() || !file.isReadable() || file.size() > IniText::kMaxFileBytes) {
        placer_->restore(nullptr);
        return;
    }
    const SystemClock clock;
    const IniFile ini(file.filePath(), IniFile::Mode::ReadOnly, clock, *main_);
    placer_->restore(&ini);
}

WindowSet::~WindowSet()
{
    // The wiring first, then the tool windows; the main window, which owns
    // the buffers, last. The long exposures write their stop byte while the
    // port layer still exists.
    main_->setLongExposure(nullptr);
    main_->setLanguage(nullptr);
    language_.reset();
    shellLongExposure_.reset();
    shellInfo_.reset();
    shellAids_.reset();
    shellPaddle_.reset();
    shellGuiding_.reset();
    shellTelescope_.reset();
    others_.clear();
    longExposure_.reset();
    exposureLines_.reset();
    // The moves stop and the link closes while the message panel still exists.
    telescope_.reset();
    simulator_.reset();
    main_.reset();
}

void WindowSet::endOnSignal()
{
    // Not inside a mount request's wait: the request ends first (the waits
    // are short), then the link is closed under no one's feet.
    if (telescope_->pause.pausing()) {
        QTimer::singleShot(20, main_.get(), [this] { endOnSignal(); });
        return;
    }
    telescope_->autoguider.stop();
    telescope_->mount.closeForExit();
    if (longExposure_->enabled() || longExposure_->active()) longExposure_->writeStopByte();
    main_->closeWithoutAsking();
    QCoreApplication::quit(); // even if the main window was never shown
}

void WindowSet::add(QWidget* w)
{
    order_ << w->objectName();
    others_.emplace_back(w);
}

QWidget* WindowSet::window(const QString& objectName) const
{
    if (main_->objectName() == objectName) return main_.get();
    if (objectName == QLatin1String("TFRM_PlayControl"))
        return main_->videoSource().playControl();
    for (const auto& w : others_)
        if (w->objectName() == objectName) return w.get();
    return nullptr;
}

} // namespace velumbra
