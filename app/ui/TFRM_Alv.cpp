#include "app/ui/TFRM_Alv.h"
#include "app/CloseQuestion.h"
#include "widgets/Named.h"
#include "processing/Raster.h"
#include "core/Rounding.h"
#include "app/ui/ContextHelp.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/ShellPreferences.h"
#include "app/ui/ShellLongExposure.h"
#include "app/ui/NightMode.h"
#include "widgets/Lamp.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/ShellLanguage.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/TFRM_PlayControl.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "widgets/ImageView.h"
#include "app/ui/TAboutBox.h"
#include "app/ui/TFRM_Ressources.h"
#include "widgets/TNumInp.h"
#include "app/ui/ZonesGroup.h"
#include "processing/ui/TrackingPanel.h"
#include "processing/ui/GRB_Seuils.h"
#include "processing/ui/IntegrationEvents.h"
#include "processing/ui/PNL_Integration.h"
#include "processing/ui/TFRM_Equal.h"
#include "processing/ui/FocusPanel.h"
#include "processing/ui/MeasuresUi.h"
#include "processing/ui/MotionPanel.h"
#include "processing/ui/SelectionPanel.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "aids/ui/GRB_Operations.h"
#include "aids/ui/PNL_Declinaison.h"
#include "processing/Overlays.h"
#include "processing/ui/PNL_Info_Image.h"
#include "processing/ui/PNL_Reticule.h"
#include "aids/ui/TFRM_Main.h"

#include <QActionGroup>
#include <algorithm>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QMenu>
#include <QMessageBox>
#include <QMenuBar>
#include <QStatusBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QTimer>

namespace velumbra {

TFRM_Alv::TFRM_Alv(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TFRM_Alv"));
    settings_ = std::make_unique<ShellSettings>(*this);
    FormCreate();
}

TFRM_Alv::~TFRM_Alv()
{
    // FormDestroy: the image buffers go with the window.
    core_.pipeline.setView(nullptr);
    core_.pipeline.setStages(nullptr);
    core_.buffers.release();
}

void TFRM_Alv::FormCreate()
{
    setWindowTitle(QApplication::applicationName());
    resize(1024, 768);

    image1_ = named(new ImageView, "Image1");
    wireVideoSource();
    measuresUi_ = new MeasuresUi(core_, stages_, this);
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);
    outer->addWidget(buildToolStrip());

    auto* lower = new QHBoxLayout;
    lower->setSpacing(4);
    lower->addWidget(buildInfoPages());

    SBX_Images = named(new QScrollArea(central), "SBX_Images");
    SBX_Images->setBackgroundRole(QPalette::Dark);
    auto* canvas = new QWidget;
    auto* stack = new QStackedWidget(canvas);
    PNL_Videocap = named(new QWidget, "PNL_Videocap");
    PNL_Videocap->hide();
    stack->addWidget(image1_);
    stack->addWidget(PNL_Videocap);
    stack->setCurrentWidget(image1_);
    auto* canvasLayout = new QVBoxLayout(canvas);
    canvasLayout->setContentsMargins(0, 0, 0, 0);
    canvasLayout->addWidget(stack, 0, Qt::AlignLeft | Qt::AlignTop);
    SBX_Images->setWidget(canvas);
    SBX_Images->setWidgetResizable(true);
    lower->addWidget(SBX_Images, 1);
    outer->addLayout(lower, 1);
    setCentralWidget(central);

    buildMenu();
    setHints();
    help_ = new HelpWindow(this);
    help_->language = [this] { return texts_.language(); };
    contextHelp_ = new ContextHelp(help_, this);

    connect(image1_, &ImageView::mouseReleased, this, &TFRM_Alv::Image1MouseUp);
    connect(GRB_Zones->CKB_Zones_Liees, &QCheckBox::toggled, this, [this](bool on) {
        if (child_) child_->clickLinks().CKB_Zones_Liees = on;
    });
    connect(GRB_Zones, &ZonesGroup::displayZoneResized, this, [this] {
        applyResultSize();
        if (resources_ && resources_->isVisible()) resources_->refreshMemory();
    });

    wireOperations();
    MNU_Operations->setEnabled(false);
    core_.pipeline.setView(this);
    core_.pipeline.setStages(&stages_);
    setSourceRunning(false);
    wireResults();
}

// ---------------------------------------------------------------- layout

QWidget* TFRM_Alv::buildToolStrip()
{
    auto* strip = named(new QFrame, "PNL_Outils");
    auto* h = new QHBoxLayout(strip);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);

    wireIntegration();
    sharedPlace = named(new QStackedWidget(strip), "PNL_Message_Seuils");
    sharedPlace->addWidget(buildMessageGroup());
    sharedPlace->addWidget(grbSeuils_);
    h->addWidget(sharedPlace, 1);

    GRB_Zones = new ZonesGroup(core_, strip);
    h->addWidget(GRB_Zones);

    GRB_Camera = videoSource_->panel();
    h->addWidget(GRB_Camera);
    strip->setFixedHeight(std::max(grbSeuils_->minimumSizeHint().height(), GRB_Camera->sizeHint().height()) + 4);
    return strip;
}

QWidget* TFRM_Alv::buildMessageGroup()
{
    GRB_Message = named(new QGroupBox(QStringLiteral("Messages")), "GRB_Message");
    auto* v = new QHBoxLayout(GRB_Message);
    v->setContentsMargins(4, 4, 4, 4);
    MEMO_Message = named(new QPlainTextEdit, "MEMO_Message");
    MEMO_Message->setReadOnly(true);
    // Long messages wrap at the panel's width: no horizontal scroll bar
    // ever covers the line being read.
    MEMO_Message->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MEMO_Message->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v->addWidget(MEMO_Message, 1);
    auto* toSeuils = named(new QPushButton(QStringLiteral("<")), "BTN_Bascule_seuils");
    toSeuils->setFixedWidth(24);
    v->addWidget(toSeuils, 0, Qt::AlignTop);
    connect(toSeuils, &QPushButton::clicked, this, [this] { sharedPlace->setCurrentWidget(grbSeuils_); });
    return GRB_Message;
}

QWidget* TFRM_Alv::buildToolBoxes()
{
    auto* box = named(new QFrame, "PNL_Outils_Options");
    auto* h = new QHBoxLayout(box);
    h->setContentsMargins(0, 0, 0, 0);
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    toolPanels = named(new QStackedWidget(box), "PNL_Parametres_Outils");

    struct Tool { QCheckBox** box; const char* name; const char* label; const char* caption; const char* panel; };
    const Tool tools[] = {
        {&CKB_Suivi, "CKB_Suivi", "LBL_CKB_Suivi", "Suivi", "PNL_Suivi"},
        {&CKB_Reticule, "CKB_Reticule", "LBL_CKB_Reticule", "Reticule", "PNL_Reticule"},
        {&CKB_Detection_Mvt, "CKB_Detection_Mvt", "LBL_CKB_Detection_Mvt", "Dtct.Mvt.", "PNL_Detection_Mvt"},
        {&CKB_Info_Image, "CKB_Info_Image", "LBL_CKB_Info_Image", "Info. Img.", "PNL_Info_Image"},
    };
    wireTracking();
    for (const Tool& t : tools) {
        auto* row = new QHBoxLayout;
        row->setSpacing(2);
        const bool tracking = t.box == &CKB_Suivi;
        // The tracking panel owns "Suivi" and is the panel PNL_Suivi.
        *t.box = tracking ? trackingPanel_->CKB_Suivi : named(new QCheckBox, t.name);
        (*t.box)->setText(QString());
        // The label is the heading of the tool's panel: a click on it shows
        // that panel, which stays until another heading is clicked.
        auto* label = named(new QLabel(QString::fromUtf8(t.caption)), t.label);
        label->setBuddy(*t.box);
        label->setCursor(Qt::PointingHandCursor);
        row->addWidget(*t.box);
        row->addWidget(label, 1);
        column->addLayout(row);
        toolBoxes_ << *t.box;
        toolLabels_ << label;
        const bool motion = t.box == &CKB_Detection_Mvt;
        const bool reticle = t.box == &CKB_Reticule;
        QFrame* panel = tracking  ? static_cast<QFrame*>(trackingPanel_)
                        : motion  ? measuresUi_->motionPanel()
                        : reticle ? static_cast<QFrame*>(pnlReticule_ = new PNL_Reticule(core_.controls))
                                  : (pnlInfoImage_ = new PNL_Info_Image(core_.controls));
        panel->setFrameShape(QFrame::StyledPanel);
        toolPanels->addWidget(panel);
        label->installEventFilter(this);
        QCheckBox* toolBox = *t.box;
        connect(toolBox, &QCheckBox::clicked, this, [this, toolBox] { showToolPanel(toolBox); });
    }
    connect(CKB_Reticule, &QCheckBox::toggled, this, [this](bool on) { core_.controls.CKB_Reticule = on; });
    connect(CKB_Detection_Mvt, &QCheckBox::toggled, this, [this](bool on) { core_.controls.CKB_Detection_Mvt = on; });
    connect(CKB_Info_Image, &QCheckBox::toggled, this, [this](bool on) { core_.controls.CKB_Info_Image = on; });
    // A new saturation view shows the frame on screen again, without adding it anywhere.
    connect(pnlInfoImage_, &PNL_Info_Image::saturationChanged, this, [this] {
        if (!core_.buffers.created() || core_.buffers.imageWidth <= 0) return;
        core_.pipeline.ProcessFrame(false);
        image1_->update();
    });

    PNL_Image_Selected = named(new QFrame, "PNL_Image_Selected");
    PNL_Image_Selected->setFixedSize(14, 14);
    PNL_Image_Selected->setAutoFillBackground(true);
    column->addStretch();
    column->addWidget(PNL_Image_Selected);
    h->addLayout(column);
    h->addWidget(toolPanels, 1);
    showToolPanel(CKB_Suivi);
    return box;
}

QWidget* TFRM_Alv::buildInfoPages()
{
    auto* column = new QWidget;
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);
    // Integration, then the four tools and their shared parameter place.
    auto* integration = named(new QGroupBox, "GRB_Integration");
    auto* iv = new QVBoxLayout(integration);
    iv->setContentsMargins(4, 2, 4, 2);
    iv->addWidget(pnlIntegration_);
    v->addWidget(integration);
    v->addWidget(buildToolBoxes());
    PGC_Infos = named(new QTabWidget, "PGC_Infos");
    PGC_Infos->addTab(buildSamplingPage(), QStringLiteral("Echantil."));
    PGC_Infos->addTab(buildMeasuresPage(), QStringLiteral("Mesures"));
    PGC_Infos->addTab(pnlDeclinaison_ = new PNL_Declinaison, QStringLiteral("Decl."));
    PageControl1 = named(new QTabWidget, "PageControl1");
    PageControl1->addTab(measuresUi_->focusPage(), QStringLiteral("Mise au point"));
    PageControl1->addTab(measuresUi_->selectionPage(), QStringLiteral("Select.Imag."));
    PageControl1->addTab(measuresUi_->selectionPage()->bestPage(), QStringLiteral("Meilleures"));
    v->addWidget(PGC_Infos);
    v->addWidget(PageControl1);
    grbOperations_ = new GRB_Operations(clock_, *this);
    v->addWidget(grbOperations_);
    v->addStretch();
    column->setFixedWidth(300);
    return column;
}

QWidget* TFRM_Alv::buildSamplingPage()
{
    auto* page = named(new QWidget, "TBS_Echantillonnage");
    auto* form = new QFormLayout(page);
    TNI_Echantillonnage = named(new TNumInp, "TNI_Echantillonnage");
    TNI_Echantillonnage->setRange(0.000001L, 100000);
    TNI_Echantillonnage->setValue(1);
    TNI_Echantillonnage->setDigits(4);
    TNI_Lx = named(new TNumInp, "TNI_Lx");
    TNI_Ly = named(new TNumInp, "TNI_Ly");
    for (TNumInp* f : {TNI_Lx, TNI_Ly}) {
        f->setDatatype(TDataType::dtLongint);
        f->setReadOnly(true);
        f->setFixedWidth(52);
    }
    auto* res = new QHBoxLayout;
    res->addWidget(TNI_Lx);
    res->addWidget(new QLabel(QStringLiteral("x")));
    res->addWidget(TNI_Ly);
    res->addStretch();
    form->addRow(named(new QLabel(QStringLiteral("Sec.Arc/pixel")), "LBL_Secarcpix"), TNI_Echantillonnage);
    form->addRow(named(new QLabel(QStringLiteral("Resolution (Pixels)")), "LBL_Resolution"), res);
    TNI_ChampX = named(new TNumInp, "TNI_ChampX");
    TNI_ChampY = named(new TNumInp, "TNI_ChampY");
    for (TNumInp* f : {TNI_ChampX, TNI_ChampY}) {
        f->setRange(0, 1e9L);
        f->setDigits(4);
        f->setReadOnly(true);
        f->setFixedWidth(52);
    }
    auto* field = new QHBoxLayout;
    field->addWidget(TNI_ChampX);
    field->addWidget(new QLabel(QStringLiteral("x")));
    field->addWidget(TNI_ChampY);
    field->addStretch();
    // The unit beside the caption: "Champ (Minutes)".
    auto* caption = new QWidget;
    auto* captionRow = new QHBoxLayout(caption);
    captionRow->setContentsMargins(0, 0, 0, 0);
    captionRow->setSpacing(4);
    captionRow->addWidget(named(new QLabel(QStringLiteral("Champ")), "LBL_Champ"));
    LBL_Unite_Champ = named(new QLabel(fieldUnitCaption(FieldUnit::Seconds)), "LBL_Unite_Champ");
    captionRow->addWidget(LBL_Unite_Champ);
    captionRow->addStretch();
    form->addRow(caption, field);
    return page;
}

QWidget* TFRM_Alv::buildMeasuresPage()
{
    auto* page = named(new QWidget, "TBS_Mesures");
    auto* form = new QFormLayout(page);
    TNI_DistObjet = named(new TNumInp, "TNI_DistObjet");
    TNI_DistObjet->setRange(0.000001L, 1e12L);
    TNI_DistObjet->setValue(0.1L);
    EDT_Angle_Calcule = named(new QLineEdit, "EDT_Angle_Calcule");
    EDT_Distance_Calculee = named(new QLineEdit, "EDT_Distance_Calculee");
    EDT_Angle_Calcule->setReadOnly(true);
    EDT_Distance_Calculee->setReadOnly(true);
    form->addRow(named(new QLabel(QStringLiteral("Distance Terre-Objet")), "LBL_Distance_Terre_Objet"), TNI_DistObjet);
    // A new distance gives the size of the last measured angle at once.
    connect(TNI_DistObjet, &TNumInp::exited, this, [this] {
        if (measured_) measurePoints(measured_->first, measured_->second);
    });
    form->addRow(named(new QLabel(QStringLiteral("Angle calculé")), "LBL_Angle_Calcule"), EDT_Angle_Calcule);
    form->addRow(named(new QLabel(QStringLiteral("Distance calculée")), "LBL_Distance_Calculee"), EDT_Distance_Calculee);
    return page;
}

void TFRM_Alv::buildMenu()
{
    QMenuBar* bar = menuBar();
    QMenu* fichier = named(bar->addMenu(QStringLiteral("&Fichier")), "MNU_Fichier");
    QMenu* ouvrir = named(fichier->addMenu(QStringLiteral("&Ouvrir")), "MNU_Ouvrir");
    MNU_Ouvrir_Image = videoSource_->MNU_Ouvrir_Image;
    MNU_Ouvrir_Dark = videoSource_->MNU_Ouvrir_Dark;
    MNU_Ouvrir_Flat = videoSource_->MNU_Ouvrir_Flat;
    for (QAction* a : {MNU_Ouvrir_Image, MNU_Ouvrir_Dark, MNU_Ouvrir_Flat}) ouvrir->addAction(a);
    MNU_Fermer = named(fichier->addAction(QStringLiteral("&Fermer")), "MNU_Fermer");
    connect(MNU_Fermer, &QAction::triggered, this, &QWidget::close);

    QMenu* video = named(bar->addMenu(QStringLiteral("&Video")), "MNU_Video");
    MNU_Pilote = videoSource_->MNU_Pilote;
    MNU_Format = videoSource_->MNU_Format;
    MNU_Source = videoSource_->MNU_Source;
    for (QAction* a : {MNU_Pilote, MNU_Format, MNU_Source}) video->addAction(a);
    QMenu* binning = named(video->addMenu(QStringLiteral("&Binning")), "MNU_Binning");
    MNU_Binning_1x1 = named(binning->addAction(QStringLiteral("1x1")), "MNU_Binning_1x1");
    MNU_Binning_2x2 = named(binning->addAction(QStringLiteral("2x2")), "MNU_Binning_2x2");
    auto* pair = new QActionGroup(this);
    for (QAction* a : {MNU_Binning_1x1, MNU_Binning_2x2}) {
        a->setCheckable(true);
        pair->addAction(a);
    }
    MNU_Binning_1x1->setChecked(true);
    connect(MNU_Binning_1x1, &QAction::triggered, this, [this] { MNU_BinningClick(1); });
    connect(MNU_Binning_2x2, &QAction::triggered, this, [this] { MNU_BinningClick(2); });

    QMenu* view = named(bar->addMenu(QStringLiteral("&Affichage")), "MNU_Affichage");
    MNU_Mode_Nuit = named(view->addAction(QStringLiteral("Mode &nuit")), "MNU_Mode_Nuit");
    MNU_Nuit_Image_Rouge = named(view->addAction(QStringLiteral("Image &rouge en mode nuit")), "MNU_Nuit_Image_Rouge");
    for (QAction* a : {MNU_Mode_Nuit, MNU_Nuit_Image_Rouge}) {
        a->setCheckable(true);
        connect(a, &QAction::toggled, this, [this] {
            PrefsValues& prefs = settings_->prefs();
            prefs.nightMode = MNU_Mode_Nuit->isChecked();
            prefs.nightRedImage = MNU_Nuit_Image_Rouge->isChecked();
            showNightMode();
        });
    }
    MNU_Nuit_Image_Rouge->setChecked(true);

    MNU_Options = named(bar->addAction(QStringLiteral("&Preferences")), "MNU_Options");
    connect(MNU_Options, &QAction::triggered, this, [this] {
        if (pref_) {
            pref_->show();
            pref_->raise();
        }
    });

    MNU_Operations = named(bar->addMenu(QStringLiteral("&Operations")), "MNU_Operations");
    MNU_TailleOrientCapt = named(MNU_Operations->addAction(QStringLiteral("&Orientation de la camera")), "MNU_TailleOrientCapt");
    MNU_Erreur_MES = named(MNU_Operations->addAction(QStringLiteral("Aide à la &mise en station")), "MNU_Erreur_MES");
    MNU_Erreur_Periodique = named(MNU_Operations->addAction(QStringLiteral("&Erreur Periodique")), "MNU_Erreur_Periodique");
    MNU_Decl_Etoile = named(MNU_Operations->addAction(QStringLiteral("&Declinaison d'une etoile")), "MNU_Decl_Etoile");

    MNU_Telescope = named(bar->addAction(QStringLiteral("&Telescope")), "MNU_Telescope");
    connect(MNU_Telescope, &QAction::triggered, this, [this] { showToolWindow(QStringLiteral("TFRM_Raquette")); });

    QMenu* help = named(bar->addMenu(QStringLiteral("&?")), "MNU_Aide");
    Aide1 = named(help->addAction(QStringLiteral("Aide")), "Aide1");
    APropos1 = named(help->addAction(QStringLiteral("&A Propos..")), "APropos1");
    Ressources1 = named(help->addAction(QStringLiteral("Ressources")), "Ressources1");
    connect(Aide1, &QAction::triggered, this, [this] { help_->showTopic(0); });
    connect(APropos1, &QAction::triggered, this, [this] {
        if (about_) about_->exec();
    });
    connect(Ressources1, &QAction::triggered, this, [this] {
        if (!resources_) return;
        resources_->refreshMemory();
        resources_->show();
        resources_->raise();
    });
}

void TFRM_Alv::setHints()
{
    GRB_Zones->SCB_Taille_ZAffich->setToolTip(QStringLiteral("Taille de la zone d'affichage selectionnée"));
    GRB_Zones->SCB_Taille_ZDetect->setToolTip(
        QStringLiteral("Taille de la zone de detection pour le suivi ou stabilisation d'image"));
    CKB_Reticule->setToolTip(QStringLiteral("Active ou desactive le réticule"));
    toolPanels->widget(0)->setToolTip(QStringLiteral("Parametres de suivi ou stabilisation d'image"));
    toolPanels->widget(1)->setToolTip(QStringLiteral("Ctrl-Clic sur la fenêtre video"));
    PGC_Infos->widget(0)->setToolTip(QStringLiteral("Valeurs d'echantillonage de la zone video"));
    PGC_Infos->widget(1)->setToolTip(
        QStringLiteral("Alt-Click sur la fenêtre video pour marquer un point"));
    PGC_Infos->widget(2)->setToolTip(QStringLiteral("Calcule la déclinaison approximative d'un objet quelconque"));
    PageControl1->widget(0)->setToolTip(QStringLiteral("Mise au point par FWHM sur une etoile."));
    PageControl1->widget(1)->setToolTip(QStringLiteral("Selection automatique des meilleures images par DCT"));
    TNI_DistObjet->setToolTip(QStringLiteral("Saisir la distance qui vous sépare de l'objet"));
    EDT_Angle_Calcule->setToolTip(QStringLiteral("Angle entre les deux points selectionnés"));
    EDT_Distance_Calculee->setToolTip(QStringLiteral(
        "Distance correspondant à l'angle calculé (même unité de mesure que le champ \"Distance Terre-Objet\")"));
}

// ---------------------------------------------------------------- life cycle

void TFRM_Alv::setResultWindow(TFRM_Alv_Child* child)
{
    child_ = child;
    if (child_) child_->setTexts(&texts_);
    wireResults();
    applyResultSize();
}
void TFRM_Alv::setPreferences(TFRM_Pref* pref)
{
    pref_ = pref;
    if (!pref_) return;
    connect(pref_->CKB_Debug, &QCheckBox::toggled, this, [this](bool on) {
        videoSource_->source().controls.debugActive = on;
        core_.controls.tracking.CKB_Debug = on;
    });
    prefWiring_ = new ShellPreferences(*this, *pref_);
}
void TFRM_Alv::setAboutBox(TAboutBox* about) { about_ = about; }
void TFRM_Alv::setResources(TFRM_Ressources* resources) { resources_ = resources; }
void TFRM_Alv::setToolWindow(QWidget* window)
{
    if (window) toolWindows_.insert(window->objectName(), window);
}
void TFRM_Alv::showToolWindow(const QString& name)
{
    if (QWidget* w = toolWindows_.value(name)) {
        w->show();
        w->raise();
    }
}

// The result window moves the zones of the core on clicks, reads its state
// for the parameter records, and counts the frames the sources report.
void TFRM_Alv::wireResults()
{
    core_.frameCountHook = nullptr;
    if (!child_) return;
    child_->attachCore(&core_, &stages_);
    child_->setMessageSink(this);
    child_->scheduler().setTexts(texts_);
    child_->setClickActions(this);
    child_->clickLinks().liveDisplayRunning = sourceRunning_;
    child_->clickLinks().CKB_Zones_Liees = GRB_Zones->CKB_Zones_Liees->isChecked();
    core_.frameCountHook = &child_->frameCountHook();
    child_->completeFitsKeywords = [this](FitsKeywords& k) {
        const PrefsValues& p = settings().prefs();
        k.focalLengthMm = p.effectiveFocal;
        k.pixelWidthUm = p.camera.pixels.TNI_Larg_Pix;
        k.pixelHeightUm = p.camera.pixels.TNI_Haut_Pix;
    };
}
void TFRM_Alv::wireVideoSource()
{
    videoSource_ = std::make_unique<VideoSourceUi>(core_, *this, clock_, this);
    videoSource_->setShellHooks(this);
}

void TFRM_Alv::frameShown()
{
    measuresUi_->refresh();
    image1_->setShownSize({core_.buffers.imageWidth, core_.buffers.imageHeight});
    image1_->update();
    if (child_) child_->refresh();
}

void TFRM_Alv::captureStarted(bool playback)
{
    if (longExposure_) longExposure_->captureStarted(playback);
    setSourceRunning(true);
    // The reticle over the whole frame, centred on it.
    core_.pipeline.reticleRect = {0, 0, core_.buffers.imageWidth, core_.buffers.imageHeight};
    reticleCentre = {core_.buffers.imageWidth / 2, core_.buffers.imageHeight / 2};
    redrawReticle();
    core_.flags.loadingSettings = false;
    GRB_Zones->syncFromCore();
    TNI_Lx->setValue(core_.buffers.imageWidth);
    TNI_Ly->setValue(core_.buffers.imageHeight);
    ComputeSampling();
    // The format read of a camera start rewrote Debug.log from its first line.
    debugLog_.resume();
    if (resources_) resources_->refreshMemory();
    if (child_) {
        core_.buffers.clearResult();
        applyResultSize();
        child_->show(); // beside the main window, or where the user put it
    }
}

void TFRM_Alv::formatChanged(bool accepted)
{
    if (!accepted) return;
    // Motion detection waits for a reference taken in the new format.
    core_.motion.forgetReference();
    GRB_Zones->syncFromCore();
    TNI_Lx->setValue(core_.buffers.imageWidth);
    TNI_Ly->setValue(core_.buffers.imageHeight);
    ComputeSampling();
    frameShown();
}

void TFRM_Alv::captureStopped()
{
    setSourceRunning(false);
    if (core_.controls.integration.CKB_Integration) {
        if (core_.integrator.running()) core_.integrator.BTN_Arreter_AddClick();
        core_.controls.integration.CKB_Integration = false;
        core_.integrator.CKB_IntegrationClick();
        pnlIntegration_->syncFromCore();
    }
}

// Timed saving would go on saving the last frame until the disk is full.
void TFRM_Alv::cameraFailed()
{
    if (child_ && child_->scheduler().running()) {
        child_->scheduler().stopIfRunning();
        showMessage(false, texts().text(u"MSG_Sauv_Plus_Images"));
    }
    emit cameraLost();
}

void TFRM_Alv::countFrameForSaving(bool selected)
{
    // A long exposure counts its own frames.
    if (longExposure_ && longExposure_->active()) return;
    core_.countFrameForSaving(selected);
}

bool TFRM_Alv::longExposureTakesTick() { return longExposure_ && longExposure_->longExposureTakesTick(); }

void TFRM_Alv::stopLongExposure()
{
    if (longExposure_) longExposure_->captureStopping();
}

void TFRM_Alv::stopIntegration()
{
    if (core_.integrator.running()) {
        core_.integrator.BTN_Arreter_AddClick();
        pnlIntegration_->syncFromCore();
    }
}

void TFRM_Alv::playbackKindChosen(PlaybackKind kind)
{
    auto& mode = core_.controls.integration;
    mode.RDB_Unique = kind == PlaybackKind::Image;
    mode.RDB_Boucle = false;
    mode.RDB_Dark = kind == PlaybackKind::Dark;
    mode.RDB_Flat = kind == PlaybackKind::Flat;
    if (kind == PlaybackKind::Dark) core_.integrator.RDB_DarkClick();
    else if (kind == PlaybackKind::Flat) core_.integrator.RDB_FlatClick();
    else core_.integrator.RDB_UniqueClick();
    pnlIntegration_->syncFromCore();
}

void TFRM_Alv::addCalibrationFrame(PlaybackKind kind)
{
    const Plane plane = kind == PlaybackKind::Dark ? Dark : Flat;
    copyRect(core_.buffers.frameSlots[0], core_.zone.displayZone, core_.buffers.imageWidth,
             core_.buffers.imageHeight, core_.buffers.zoneFrame, {core_.zone.zoneRect.left, core_.zone.zoneRect.top});
    core_.integrator.IntegrateAndRender(plane, true, false, true);
    pnlIntegration_->syncFromCore();
}

void TFRM_Alv::addToAccumulation()
{
    core_.integrator.BTN_AjouterClick();
    pnlIntegration_->syncFromCore();
}

void TFRM_Alv::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    FormActivate();
}

void TFRM_Alv::FormActivate()
{
    if (!shellInitialised_) {
        shellInitialised_ = true;
        // The language first: the settings then find the translated lists.
        if (language_) language_->load();
        settings_->load();
        {
            const QSignalBlocker quietNight(MNU_Mode_Nuit), quietRed(MNU_Nuit_Image_Rouge);
            MNU_Mode_Nuit->setChecked(settings_->prefs().nightMode);
            MNU_Nuit_Image_Rouge->setChecked(settings_->prefs().nightRedImage);
        }
        showNightMode();
        ComputeSampling(); // the simulated camera takes the stored optics before its first frame
        core_.buffers.create();
        // Once only: a camera's own aspect, set at its start, must survive
        // the window being minimised and restored.
        core_.zone.displayAspect = kInitialDisplayAspect;
        if (resources_) resources_->refreshMemory();
    }
    // Every time: any missing bitmap is created again.
    core_.buffers.create();
    image1_->setSource(&core_.buffers.display, {core_.buffers.imageWidth, core_.buffers.imageHeight});
    applyResultSize();
    core_.flags.loadingSettings = false;
}

RunningWork TFRM_Alv::runningWork() const
{
    RunningWork w;
    w.saving = child_ && child_->scheduler().running();
    w.stacking = core_.integrator.running();
    w.guiding = core_.controls.CKB_Autoguidage;
    w.longExposure = longExposure_ && longExposure_->active();
    w.measuring = grbOperations_ && grbOperations_->sequencer().measuring();
    return w;
}

// The question box, its buttons in the chosen language; staying is the default.
bool TFRM_Alv::askToClose(const QString& question)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), question, QMessageBox::NoButton, this);
    QPushButton* close = box.addButton(texts_.text(u"MSG_Fermer_Oui"), QMessageBox::AcceptRole);
    QPushButton* stay = box.addButton(texts_.text(u"MSG_Fermer_Non"), QMessageBox::RejectRole);
    box.setDefaultButton(stay);
    box.setEscapeButton(stay);
    box.exec();
    return box.clickedButton() == close;
}

void TFRM_Alv::closeWithoutAsking()
{
    askOnClose_ = false;
    close();
}

void TFRM_Alv::closeEvent(QCloseEvent* event)
{
    // Work that ends with the program is named first, and the user decides.
    if (askOnClose_) {
        const QString question = closeQuestion(runningWork(), texts_);
        if (!question.isEmpty()) {
            const bool close = confirmClose ? confirmClose(question) : askToClose(question);
            if (!close) {
                event->ignore();
                return;
            }
        }
    }
    // A timed run ends as by "Arrêter": its video and its list are finished.
    if (child_) child_->scheduler().stopIfRunning();
    // FormClose: sources stop, the debug log closes; the window then goes.
    core_.flags.targetActive = false;
    // Written first, while every window still holds its values.
    const QString notSaved = settings_->save();
    emit formClosing(); // a running measurement is cleared
    videoSource_->source().BTN_StopClick();
    debugLog_.close();
    if (help_) help_->close();
    event->accept();
    // The result window refuses to close by itself: the program ends with the main window.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this) w->hide();
    // The message panel goes with this window: a settings file that could
    // not be written is said in a box the user answers before the program ends.
    if (!notSaved.isEmpty()) QMessageBox::critical(this, QApplication::applicationName(), notSaved);
    QCoreApplication::quit();
}

void TFRM_Alv::applyResultSize()
{
    if (child_) child_->setImage(&core_.buffers.result, core_.buffers.resultWidth, core_.buffers.resultHeight);
}

bool TFRM_Alv::showNewFrame(int width, int height)
{
    core_.buffers.setFrameSize(width, height);
    image1_->setShownSize({core_.buffers.imageWidth, core_.buffers.imageHeight});
    bool selected = false;
    core_.pipeline.ProcessFrame(true, selected);
    image1_->update();
    if (child_) child_->refresh();
    return selected;
}

void TFRM_Alv::setSourceRunning(bool running)
{
    sourceRunning_ = running;
    if (child_) child_->clickLinks().liveDisplayRunning = running;
    MNU_Operations->setEnabled(running);
    for (QCheckBox* box : toolBoxes_) box->setEnabled(running);
    trackingPanel_->setCaptureRunning(running);
    pnlIntegration_->setSourceRunning(running);
    if (!running) core_.flags.targetActive = false;
}

// ---------------------------------------------------------------- messages

void TFRM_Alv::showMessage(bool clear, const QString& text)
{
    sharedPlace->setCurrentWidget(GRB_Message);
    if (clear) MEMO_Message->clear();
    MEMO_Message->appendPlainText(text);
    if (clear) MEMO_Message->verticalScrollBar()->setValue(0);
}

// ---------------------------------------------------------------- tools

QWidget* TFRM_Alv::toolPanelFor(QCheckBox* box) const
{
    const int i = toolBoxes_.indexOf(box);
    return i >= 0 ? toolPanels->widget(i) : nullptr;
}

void TFRM_Alv::showToolPanel(QCheckBox* box)
{
    const int index = toolBoxes_.indexOf(box);
    if (index < 0) return;
    toolPanels->setCurrentIndex(index);
    // The heading of the panel shown stands out like a chosen tab.
    for (int i = 0; i < toolLabels_.size(); ++i) {
        QLabel* label = toolLabels_[i];
        const bool shown = i == index;
        QFont f = label->font();
        f.setBold(shown);
        label->setFont(f);
        label->setAutoFillBackground(shown);
        label->setBackgroundRole(shown ? QPalette::Highlight : QPalette::Window);
        label->setForegroundRole(shown ? QPalette::HighlightedText : QPalette::WindowText);
    }
}

int TFRM_Alv::currentHelpTopic() const { return ContextHelp::currentTopic(this); }

bool TFRM_Alv::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < toolLabels_.size(); ++i)
            if (watched == toolLabels_[i]) showToolPanel(toolBoxes_[i]);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFRM_Alv::MNU_BinningClick(int binning)
{
    MNU_Binning_1x1->setChecked(binning == 1);
    MNU_Binning_2x2->setChecked(binning == 2);
    core_.controls.MNU_Binning_2x2 = binning == 2;
    GRB_Zones->SCB_Taille_ZAffichChange();
    emit binningChanged(binning);
}

// ---------------------------------------------------------------- gestures

GestureContext TFRM_Alv::gestureContext() const
{
    GestureContext ctx;
    ctx.running = sourceRunning_ || core_.flags.turboMode;
    ctx.integratingDarkOrFlat = core_.controls.integratingDarkOrFlat();
    ctx.CKB_Zones_Liees = GRB_Zones->CKB_Zones_Liees->isChecked();
    ctx.CKB_Suivi = CKB_Suivi->isChecked();
    ctx.CKB_Reticule = CKB_Reticule->isChecked();
    ctx.mountSelected = settings_->prefs().autoguide.interface != MountInterface::Aucun;
    ctx.imageWidth = core_.buffers.imageWidth;
    ctx.imageHeight = core_.buffers.imageHeight;
    ctx.TNI_Echantillonnage = double(TNI_Echantillonnage->Value());
    ctx.TNI_DistObjet = double(TNI_DistObjet->Value());
    return ctx;
}

void TFRM_Alv::Image1MouseUp(QPoint position, Qt::MouseButton button, Qt::KeyboardModifiers keys)
{
    const GestureContext ctx = gestureContext();
    if (!ctx.running) return;
    CKB_Suivi->setFocus();
    const GestureEffects fx =
        gestures_.mouseUp({position.x(), position.y()}, button, keys, ctx, core_.zone, core_.flags);
    if (fx.storeTarget) stages_.tracker().restartDrift(fx.target);
    if (fx.starSearch) stages_.tracker().starSearch(fx.searchAt);
    if (fx.moveReticle) {
        reticleCentre = fx.reticleCentre;
        redrawReticle();
    }
    if (fx.guideMove && guideClick) guideClick(fx.guideOffset);
    if (fx.measured) {
        measured_ = {gestures_.previousPoint, gestures_.lastPoint};
        EDT_Angle_Calcule->setText(fx.angleText);
        EDT_Distance_Calculee->setText(fx.distanceText);
    }
    core_.flags.zoneDirty = true;
    core_.pipeline.UpdateDisplayZone();
    image1_->update();
}

// The tracker stamps the reference with its own clock.
void TFRM_Alv::setDriftReference(Point starPos)
{
    stages_.tracker().restartDrift(starPos);
}

void TFRM_Alv::showPixel(Point at, int /*red*/, int /*green*/, int /*blue*/)
{
    emit resultPointed(at);
}

void TFRM_Alv::zonesChanged()
{
    core_.flags.zoneDirty = true;
    image1_->update();
}

void TFRM_Alv::placeReticle(Point offsetFromStar)
{
    reticleCentre = {core_.zone.starPos.x + offsetFromStar.x, core_.zone.starPos.y + offsetFromStar.y};
    redrawReticle();
}

void TFRM_Alv::ComputeSampling()
{
    const PrefsValues& prefs = settings_->prefs();
    // The sky simulator looks through the same telescope and sensor, so what
    // is measured on its frames agrees with the sky it draws.
    videoSource().sky().setOptics(
        {prefs.effectiveFocal, prefs.camera.pixels.TNI_Larg_Pix, prefs.camera.pixels.TNI_NbPix_X});
    const std::optional<SamplingResult> r = velumbra::ComputeSampling(
        prefs.camera.pixels, prefs.effectiveFocal, core_.buffers.imageWidth, core_.buffers.imageHeight);
    if (!r) return; // no frame size yet: the shown values stay
    TNI_Echantillonnage->setValue(r->TNI_Echantillonnage);
    TNI_ChampX->setValue(r->TNI_ChampX);
    TNI_ChampY->setValue(r->TNI_ChampY);
    fieldUnit_ = r->unit;
    showFieldUnit();
}

void TFRM_Alv::showNightMode()
{
    applyNightMode(MNU_Mode_Nuit->isChecked(), MNU_Nuit_Image_Rouge->isChecked());
    if (selectedLamp_) setSelectedLamp(*selectedLamp_); // in the colours of the moment
}

void TFRM_Alv::showFieldUnit()
{
    LBL_Unite_Champ->setText(fieldUnitCaption(fieldUnit_, texts()));
}

void TFRM_Alv::redrawReticle()
{
    // Drawn while frames come; a start draws it again.
    if (!sourceRunning_ && !core_.flags.turboMode) return;
    QImage& layer = core_.buffers.reticleLayer;
    if (layer.isNull()) return;
    layer.fill(Qt::white);
    if (CKB_Reticule->isChecked()) {
        ReticleOptions o;
        o.cross = core_.controls.CKB_Croix;
        o.circles = core_.controls.CKB_Cercles;
        o.orientation = core_.controls.TNI_Orient;
        o.sampling = double(TNI_Echantillonnage->Value());
        o.diagonal = settings_->prefs().optics.CKB_RenvoiCoude;
        o.axisNames = {texts_.text(u"Ouest"), texts_.text(u"Nord"), texts_.text(u"Est"), texts_.text(u"Sud")};
        DrawReticle(layer, reticleCentre, core_.buffers.imageWidth, o);
    }
    core_.flags.zoneDirty = true;
    image1_->update();
}

void TFRM_Alv::opticsRefreshed()
{
    ComputeSampling();
    redrawReticle();
    // The angle between the last two clicked points follows the new scale.
    if (measured_) measurePoints(measured_->first, measured_->second);
    image1_->update();
}

// ---------------------------------------------------------------- operations

void TFRM_Alv::wireOperations()
{
    grbOperations_->capture = [this] {
        return GRB_Operations::Capture{core_.zone.starPos, core_.buffers.imageWidth, core_.buffers.imageHeight};
    };
    connect(pnlReticule_, &PNL_Reticule::reticleChanged, this, &TFRM_Alv::redrawReticle);
    connect(CKB_Reticule, &QCheckBox::toggled, this, &TFRM_Alv::redrawReticle);
    connect(pnlReticule_, &PNL_Reticule::centreOnStar, this, [this] {
        if (!CKB_Reticule->isChecked()) return;
        reticleCentre = core_.zone.starPos;
        redrawReticle();
    });
    connect(pnlReticule_, &PNL_Reticule::centreOnScreen, this, [this] {
        if (!CKB_Reticule->isChecked()) return;
        reticleCentre = {core_.buffers.imageWidth / 2, core_.buffers.imageHeight / 2};
        redrawReticle();
    });
    connect(grbOperations_, &GRB_Operations::overlaysRequested, this, [this] {
        CKB_Reticule->setChecked(true);
        pnlReticule_->CKB_Cercles->setChecked(true);
        pnlReticule_->CKB_Croix->setChecked(true);
    });
    connect(grbOperations_, &GRB_Operations::operationsMenuEnabled, this,
            [this](bool on) { MNU_Operations->setEnabled(on); });
    stages_.setMeasurement([this](Point starPos, bool verdict) { grbOperations_->sequencer().frame(starPos, verdict); });
}

void TFRM_Alv::setPolarAlignment(TFRM_Main* window)
{
    polar_ = window;
    connect(MNU_Erreur_MES, &QAction::triggered, window, [this, window] {
        MNU_Operations->setEnabled(false);
        window->showParameters();
    });
    window->texts = &texts_;
    window->settingsSource = [this] {
        const PrefsValues& p = settings_->prefs();
        PolarSettings s;
        s.texts = &texts_;
        s.CKB_Inverse_Az = p.mount.CKB_Inverse_Az;
        s.CKB_Inverse_Alt = p.mount.CKB_Inverse_Alt;
        s.TNI_Rayon_Az = p.mount.TNI_Rayon_Az;
        s.TNI_Rayon_Alt = p.mount.TNI_Rayon_Alt;
        s.TNI_Fil_Az = p.mount.TNI_Fil_Az;
        s.TNI_Fil_Alt = p.mount.TNI_Fil_Alt;
        s.TNI_Larg_Pix = p.camera.pixels.TNI_Larg_Pix;
        s.TNI_Haut_Pix = p.camera.pixels.TNI_Haut_Pix;
        s.TNI_NbPix_X = p.camera.pixels.TNI_NbPix_X;
        s.TNI_NbPix_Y = p.camera.pixels.TNI_NbPix_Y;
        s.effectiveFocal = p.effectiveFocal;
        s.CKB_RenvoiCoude = p.optics.CKB_RenvoiCoude;
        s.TNI_Echantillonnage = double(TNI_Echantillonnage->Value());
        s.TNI_Orient = core_.controls.TNI_Orient;
        return s;
    };
    window->applyRadius = [this](AdjustAxis axis, double radius) {
        PrefsValues& p = settings_->prefs();
        (axis == AdjustAxis::Azimuth ? p.mount.TNI_Rayon_Az : p.mount.TNI_Rayon_Alt) = radius;
        try {
            settings_->profiles().fieldLeft(ProfileKind::Mount);
        } catch (const IniWriteError& e) {
            showMessage(false, e.message());
        }
        if (pref_) pref_->showValues();
    };
    connect(window, &TFRM_Main::runPrepared, this, [this] {
        // Tracking on, by the frame edges, and the result window out of the way.
        trackingPanel_->switchOn(true);
        if (child_) child_->minimiseForOperation();
    });
    connect(window, &TFRM_Main::closed, this, [this] {
        if (child_) child_->restoreAfterOperation();
    });
    connect(window, &TFRM_Main::kingDrawn, this, [this](const KingDrawing& d) {
        drawKing(core_.buffers.display, d);
        image1_->update();
    });
}

void TFRM_Alv::measurePoints(Point previous, Point current)
{
    measured_ = {previous, current};
    const Measurement m = measureBetween(previous, current, double(TNI_Echantillonnage->Value()),
                                         double(TNI_DistObjet->Value()));
    EDT_Angle_Calcule->setText(m.angleText);
    EDT_Distance_Calculee->setText(m.distanceText);
}

// ---------------------------------------------------------------- view


void TFRM_Alv::wireIntegration()
{
    integrationEvents_ = new IntegrationEvents(this);
    core_.integrator.setView(integrationEvents_);
    pnlIntegration_ = new PNL_Integration(core_, *integrationEvents_);
    grbSeuils_ = new GRB_Seuils(core_, *integrationEvents_);
    connect(grbSeuils_, &GRB_Seuils::messageRequested, this, [this] { sharedPlace->setCurrentWidget(GRB_Message); });
    connect(grbSeuils_, &GRB_Seuils::equalizerRequested, this, [this] {
        if (frmEqual_) {
            frmEqual_->show();
            frmEqual_->raise();
        }
    });
    // The result image follows the zone size and binning.
    connect(integrationEvents_, &IntegrationEvents::rendered, this, [this] {
        if (!child_) return;
        const QSize size(core_.buffers.resultWidth, core_.buffers.resultHeight);
        if (size != shownResultSize_) {
            shownResultSize_ = size;
            child_->setImage(&core_.buffers.result, size.width(), size.height());
        }
        child_->refresh();
    });
    connect(integrationEvents_, &IntegrationEvents::timingsChanged, this, [this](const IntegrationTimings& t) {
        if (resources_) resources_->setIntegrationTimes(t.EDT_Temps_addition, t.EDT_Temps_Dark_Flat);
    });
    connect(integrationEvents_, &IntegrationEvents::suiviLock, this, [this](bool locked) {
        if (locked) {
            trackingPanel_->CKB_Suivi->setChecked(false);
            core_.controls.CKB_Suivi = false;
        }
        trackingPanel_->CKB_Suivi->setEnabled(!locked && sourceRunning_);
    });
    // "Ajouter" follows the integration box; the binning stays as it is while a run sums.
    QPushButton* ajouter = videoSource_->playControl()->BTN_Ajouter;
    ajouter->setEnabled(core_.controls.integration.CKB_Integration);
    connect(integrationEvents_, &IntegrationEvents::ajouterEnable, ajouter, &QWidget::setEnabled);
    connect(integrationEvents_, &IntegrationEvents::stateChanged, this, [this] {
        for (QAction* a : {MNU_Binning_1x1, MNU_Binning_2x2})
            if (a) a->setEnabled(!core_.integrator.binningLocked());
    });
    connect(integrationEvents_, &IntegrationEvents::operationsMenuEnable, this,
            [this] { MNU_Operations->setEnabled(sourceRunning_); });
    connect(integrationEvents_, &IntegrationEvents::zoneSliderSet, this, [this](int maximum, int position, bool enabled) {
        GRB_Zones->SCB_Taille_ZAffich->setMaximum(maximum);
        GRB_Zones->TNI_Taille_ZAffich->setMax(maximum);
        GRB_Zones->SCB_Taille_ZAffich->setValue(position);
        GRB_Zones->SCB_Taille_ZAffich->setEnabled(enabled);
        GRB_Zones->TNI_Taille_ZAffich->setEnabled(enabled);
    });
}

void TFRM_Alv::setEqualizer(TFRM_Equal* equalizer) { frmEqual_ = equalizer; }

void TFRM_Alv::repaintDisplay() { image1_->repaint(); }
void TFRM_Alv::repaintResult()
{
    if (child_) child_->refresh();
}
void TFRM_Alv::setSelectedLamp(bool selected)
{
    selectedLamp_ = selected;
    QPalette p = PNL_Image_Selected->palette();
    p.setColor(QPalette::Window, shownLampColour(selected ? QColor(0, 255, 0) : QColor(255, 0, 0)));
    PNL_Image_Selected->setPalette(p);
}

void TFRM_Alv::addUnderTrackingPanel(QWidget* row)
{
    auto* grid = qobject_cast<QGridLayout*>(trackingPanel_->layout());
    if (grid) grid->addWidget(row, grid->rowCount(), 0, 1, grid->columnCount());
}

void TFRM_Alv::wireTracking()
{
    trackingPanel_ = new TrackingPanel(core_, stages_.tracker());
    trackingPanel_->setObjectName(QStringLiteral("PNL_Suivi"));
    // The detection size is set in the zones group.
    trackingPanel_->SCB_Taille_ZDetect->hide();
    trackingPanel_->TNI_Taille_ZDetect->hide();
    stages_.tracker().setDebugLog(&debugLog_);
}

} // namespace velumbra
