#include "results/ui/TFRM_Alv_Child.h"
#include "widgets/Named.h"
#include "widgets/ImageView.h"
#include "widgets/TNumInp.h"
#include "processing/ImageCore.h"
#include "results/ImageNaming.h"
#include "results/CoreParameters.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtDebug>

namespace velumbra {
namespace {

// Until the main window hands over its message panel, messages go to the log.
class LogMessages final : public MessageSink {
public:
    void showMessage(bool, const QString& text) override { qWarning().noquote() << text; }
};

const SystemClock& systemClock()
{
    static const SystemClock clock;
    return clock;
}

SaveScheduler::Timers messageLoopTimers()
{
    SaveScheduler::Timers t;
    t.TMR_Sauve = std::make_unique<QtSaveTimer>();
    t.TMR_Toutes_les = std::make_unique<QtSaveTimer>();
    t.TMR_Pendant = std::make_unique<QtSaveTimer>();
    return t;
}

QSpinBox* spin(const char* name)
{
    auto* s = named(new QSpinBox, name);
    s->setRange(1, 65535);
    s->setValue(1);
    return s;
}

QComboBox* list(const char* name, const QStringList& items)
{
    auto* c = named(new QComboBox, name);
    c->addItems(items);
    c->setCurrentIndex(0);
    return c;
}

} // namespace

TFRM_Alv_Child::TFRM_Alv_Child(QWidget* parent) : TFRM_Alv_Child(systemClock(), messageLoopTimers(), parent) {}

TFRM_Alv_Child::TFRM_Alv_Child(const Clock& clock, SaveScheduler::Timers timers, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowMinimizeButtonHint |
                          Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      clock_(&clock), logMessages_(std::make_unique<LogMessages>()), messages_(logMessages_.get())
{
    scheduler_ = std::make_unique<SaveScheduler>(clock, *messages_, std::move(timers));
    scheduler_->setView(this);
    scheduler_->gatherParameters = [this] { return gatherParameters(); };
    scheduler_->writeFits = [this](const QString& path, QString& error) { return writeResultFits(path, error); };
    chooseImageName = [this](const QString& start) {
        // The name chosen is a prefix: an existing file of that name is not replaced.
        return QFileDialog::getSaveFileName(this, QString(), start, QStringLiteral("Bitmap (*.bmp)"), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    setObjectName(QStringLiteral("TFRM_Alv_Child"));
    setWindowTitle(QStringLiteral("Fenêtre d'intégration"));
    build();
    connectControls();
    updateEnabling();
}

TFRM_Alv_Child::~TFRM_Alv_Child()
{
    // The controls outlive this part of the window: a field losing the focus
    // while they are torn down must not call back into it.
    for (QObject* control : findChildren<QObject*>()) control->disconnect(this);
    scheduler_->setView(nullptr);
}

void TFRM_Alv_Child::build()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    image3_ = new ImageView(this);
    image3_->setObjectName(QStringLiteral("Image3"));
    layout->addWidget(image3_, 0, Qt::AlignLeft | Qt::AlignTop);
    auto* row = new QHBoxLayout;
    row->addWidget(buildFilesBox());
    row->addWidget(buildSequenceBox());
    layout->addLayout(row);
    layout->addWidget(buildPages());
    layout->addStretch(1);
}

QWidget* TFRM_Alv_Child::buildFilesBox()
{
    auto* box = named(new QGroupBox(QStringLiteral("Fichier Image")), "GRB_ImageFiles");
    auto* grid = new QGridLayout(box);
    grid->addWidget(named(new QLabel(QStringLiteral("Prefixe")), "LBL_Prefixe"), 0, 0);
    EDT_Nom_Image = named(new QLineEdit, "EDT_Nom_Image");
    EDT_Nom_Image->setMinimumWidth(180);
    grid->addWidget(EDT_Nom_Image, 0, 1);
    BTN_Parcourir = named(new QPushButton(QStringLiteral("Parcourir")), "BTN_Parcourir");
    grid->addWidget(BTN_Parcourir, 0, 2);
    grid->addWidget(named(new QLabel(QStringLiteral("Taille (Octets)")), "LBL_Taille_Fichier"), 1, 0);
    EDT_Taille_Fichier = named(new QLineEdit, "EDT_Taille_Fichier");
    EDT_Taille_Fichier->setReadOnly(true);
    grid->addWidget(EDT_Taille_Fichier, 1, 1);
    return box;
}

QWidget* TFRM_Alv_Child::buildSequenceBox()
{
    auto* box = named(new QGroupBox(QStringLiteral("Sequence (Suffixe)")), "GRB_Sequence");
    auto* grid = new QGridLayout(box);
    grid->addWidget(named(new QLabel(QStringLiteral("N° en cours")), "LBL_NumEnCours"), 0, 0);
    TNI_Num_Suffixe = named(new TNumInp, "TNI_Num_Suffixe");
    TNI_Num_Suffixe->setDatatype(TDataType::dtLongint);
    TNI_Num_Suffixe->setRange(1, kMaxImageNumber);
    TNI_Num_Suffixe->setValue(1);
    grid->addWidget(TNI_Num_Suffixe, 0, 1);
    CKB_Longueur_Fixe = named(new QCheckBox(QStringLiteral("Longueur Fixe")), "CKB_Longueur_Fixe");
    grid->addWidget(CKB_Longueur_Fixe, 1, 0);
    TNI_Longueur_Sequence = named(new TNumInp, "TNI_Longueur_Sequence");
    TNI_Longueur_Sequence->setDatatype(TDataType::dtLongint);
    TNI_Longueur_Sequence->setRange(1, 5);
    TNI_Longueur_Sequence->setValue(4);
    grid->addWidget(TNI_Longueur_Sequence, 1, 1);
    CKB_Enreg_Params = named(new QCheckBox(QStringLiteral("Enregistrer Parametres")), "CKB_Enreg_Params");
    grid->addWidget(CKB_Enreg_Params, 2, 0, 1, 2);
    CKB_Un_seul_fichier = named(new QCheckBox(QStringLiteral("Un seul fichier (auto)")), "CKB_Un_seul_fichier");
    grid->addWidget(CKB_Un_seul_fichier, 3, 0, 1, 2);
    return box;
}

QWidget* TFRM_Alv_Child::buildPages()
{
    PGC_Child = named(new QTabWidget, "PGC_Child");
    PGC_Child->setProperty("helpContext", 20);

    auto* manual = named(new QWidget, "TBS_EnregManu");
    auto* manualLayout = new QHBoxLayout(manual);
    BTN_Enregistrer_Image = named(new QPushButton(QStringLiteral("Enregistrer")), "BTN_Enregistrer_Image");
    manualLayout->addWidget(BTN_Enregistrer_Image);
    manualLayout->addStretch(1);
    PGC_Child->addTab(manual, QStringLiteral("Enregistrement Manuel"));

    auto* automatic = named(new QWidget, "TBS_EnregAuto");
    auto* grid = new QGridLayout(automatic);
    const QStringList periods{QStringLiteral("Secondes"), QStringLiteral("Minutes"), QStringLiteral("Heures")};
    // Column 0 heads each row of choices; the sentence under them says the
    // schedule they make.
    grid->addWidget(named(new QLabel(QStringLiteral("Enregistrer une image toutes les")),
                          "LBL_Enreg_Une_Image_Toutes_Les"), 0, 0, 1, 3);
    SPED_Freq_Sauve = spin("SPED_Freq_Sauve");
    grid->addWidget(SPED_Freq_Sauve, 0, 3);
    CBX_Unite = list("CBX_Unite", QStringList{QStringLiteral("Images")} + periods);
    grid->addWidget(CBX_Unite, 0, 4);

    LBL_Serie = named(new QLabel(QStringLiteral("Série :")), "LBL_Serie");
    RDB_Une_Fois = named(new QRadioButton(QStringLiteral("Une seule fois")), "RDB_Une_Fois");
    RDB_Toutes_les = named(new QRadioButton(QStringLiteral("Toutes les")), "RDB_Toutes_les");
    RDB_Video_SER = named(new QRadioButton(QStringLiteral("Vidéo SER")), "RDB_Video_SER");
    RDB_Video_SER->setToolTip(QStringLiteral("Enregistre les images brutes telles qu'elles arrivent dans une vidéo "
                                             "SER, de Demarrer à Arrêter"));
    auto* repeat = new QButtonGroup(automatic);
    repeat->addButton(RDB_Une_Fois);
    repeat->addButton(RDB_Toutes_les);
    repeat->addButton(RDB_Video_SER);
    RDB_Une_Fois->setChecked(true);
    SPED_Toutes_les = spin("SPED_Toutes_les");
    CBX_Toutes_les = list("CBX_Toutes_les", periods);
    grid->addWidget(LBL_Serie, 1, 0);
    grid->addWidget(RDB_Une_Fois, 1, 1);
    grid->addWidget(RDB_Toutes_les, 1, 2);
    grid->addWidget(SPED_Toutes_les, 1, 3);
    grid->addWidget(CBX_Toutes_les, 1, 4);
    // Right under the other kinds of sequence, as their third choice.
    grid->addWidget(RDB_Video_SER, 2, 1, 1, 2);

    LBL_Duree = named(new QLabel(QStringLiteral("Durée :")), "LBL_Duree");
    RDB_Arret = named(new QRadioButton(QStringLiteral("Jusqu'à l'arrêt")), "RDB_Arret");
    RDB_Pendant = named(new QRadioButton(QStringLiteral("Pendant")), "RDB_Pendant");
    auto* duration = new QButtonGroup(automatic);
    duration->addButton(RDB_Arret);
    duration->addButton(RDB_Pendant);
    RDB_Arret->setChecked(true);
    SPED_Pendant = spin("SPED_Pendant");
    CBX_Pendant = list("CBX_Pendant", periods);
    grid->addWidget(LBL_Duree, 3, 0);
    grid->addWidget(RDB_Arret, 3, 1);
    grid->addWidget(RDB_Pendant, 3, 2);
    grid->addWidget(SPED_Pendant, 3, 3);
    grid->addWidget(CBX_Pendant, 3, 4);

    LBL_Resume_Sauvegarde = named(new QLabel, "LBL_Resume_Sauvegarde");
    LBL_Resume_Sauvegarde->setWordWrap(true);
    grid->addWidget(LBL_Resume_Sauvegarde, 4, 0, 1, 5);

    BTN_Demarrer_Sauv = named(new QPushButton(QStringLiteral("Demarrer")), "BTN_Demarrer_Sauv");
    BTN_Arreter_Sauv = named(new QPushButton(QStringLiteral("Arrêter")), "BTN_Arreter_Sauv");
    grid->addWidget(BTN_Demarrer_Sauv, 5, 3);
    grid->addWidget(BTN_Arreter_Sauv, 5, 4);
    PGC_Child->addTab(automatic, QStringLiteral("Enregistrement Auto"));

    PGC_Child->addTab(buildSpecialPage(), QStringLiteral("Special"));
    return PGC_Child;
}

QWidget* TFRM_Alv_Child::buildSpecialPage()
{
    auto* special = named(new QWidget, "TBS_Special");
    auto* grid = new QGridLayout(special);
    grid->addWidget(named(new QLabel(QStringLiteral("Format des images")), "LBL_Format"), 0, 0);
    CBX_Format = list("CBX_Format", {QStringLiteral("BMP"), QStringLiteral("FITS")});
    CBX_Format->setToolTip(QStringLiteral("BMP : l'image telle que les seuils la montrent (8 bits).\n"
                                          "FITS : les sommes corrigées en entiers 32 bits, sans écrêtage."));
    grid->addWidget(CBX_Format, 0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);
    return special;
}

void TFRM_Alv_Child::connectControls()
{
    SavingControls& c = scheduler_->controls;
    connect(EDT_Nom_Image, &QLineEdit::textChanged, this, [&c](const QString& t) { c.EDT_Nom_Image = t; });
    // Typing creates the folder as soon as its closing "/" is typed; a folder
    // that cannot be made is left alone, and the save will say so.
    connect(EDT_Nom_Image, &QLineEdit::textEdited, this, [](const QString& t) { createFolderOf(t); });
    connect(EDT_Nom_Image, &QLineEdit::editingFinished, this, [this] { EDT_Nom_ImageExit(); });
    connect(BTN_Parcourir, &QPushButton::clicked, this, [this] { BTN_ParcourirClick(); });

    connect(TNI_Num_Suffixe, &TNumInp::exited, this,
            [this] { scheduler_->controls.TNI_Num_Suffixe = double(TNI_Num_Suffixe->Value()); });
    connect(CKB_Longueur_Fixe, &QCheckBox::toggled, this, [this](bool on) {
        scheduler_->controls.CKB_Longueur_Fixe = on;
        updateEnabling();
    });
    connect(TNI_Longueur_Sequence, &TNumInp::exited, this,
            [this] { scheduler_->controls.TNI_Longueur_Sequence = double(TNI_Longueur_Sequence->Value()); });
    connect(CKB_Enreg_Params, &QCheckBox::toggled, this, [this](bool on) {
        scheduler_->controls.CKB_Enreg_Params = on;
        updateEnabling();
    });
    connect(CKB_Un_seul_fichier, &QCheckBox::toggled, this, [&c](bool on) { c.CKB_Un_seul_fichier = on; });

    connect(SPED_Freq_Sauve, &QSpinBox::valueChanged, this, [this, &c](int v) { c.SPED_Freq_Sauve = v; showSchedule(); });
    connect(CBX_Unite, &QComboBox::currentIndexChanged, this, [this, &c](int i) { c.CBX_Unite = i; showSchedule(); });
    connect(RDB_Une_Fois, &QRadioButton::toggled, this, [this](bool on) {
        scheduler_->controls.RDB_Une_Fois = on;
        updateEnabling();
    });
    connect(RDB_Video_SER, &QRadioButton::toggled, this, [this](bool on) {
        scheduler_->controls.RDB_Video_SER = on;
        updateEnabling();
    });
    connect(CBX_Format, &QComboBox::currentIndexChanged, this, [this](int i) {
        scheduler_->controls.CBX_Format = i;
        setResultSize(width_, height_);
    });
    connect(SPED_Toutes_les, &QSpinBox::valueChanged, this, [this, &c](int v) { c.SPED_Toutes_les = v; showSchedule(); });
    connect(CBX_Toutes_les, &QComboBox::currentIndexChanged, this, [this, &c](int i) { c.CBX_Toutes_les = i; showSchedule(); });
    connect(RDB_Arret, &QRadioButton::toggled, this, [this](bool on) {
        scheduler_->controls.RDB_Arret = on;
        updateEnabling();
    });
    connect(SPED_Pendant, &QSpinBox::valueChanged, this, [this, &c](int v) { c.SPED_Pendant = v; showSchedule(); });
    connect(CBX_Pendant, &QComboBox::currentIndexChanged, this, [this, &c](int i) { c.CBX_Pendant = i; showSchedule(); });

    connect(BTN_Enregistrer_Image, &QPushButton::clicked, this, [this] { BTN_Enregistrer_ImageClick(); });
    connect(BTN_Demarrer_Sauv, &QPushButton::clicked, this, [this] { BTN_Demarrer_SauvClick(); });
    connect(BTN_Arreter_Sauv, &QPushButton::clicked, this, [this] { BTN_Arreter_SauvClick(); });

    connect(image3_, &ImageView::mouseReleased, this,
            [this](QPoint at, Qt::MouseButton b, Qt::KeyboardModifiers m) { Image3MouseUp(at, b, m); });
    connect(image3_, &ImageView::mouseMoved, this, [this](QPoint at) { Image3MouseMove(at); });
}

void TFRM_Alv_Child::updateEnabling()
{
    const bool running = scheduler_->running();
    const bool repeat = RDB_Toutes_les->isChecked();
    const bool during = RDB_Pendant->isChecked();
    TNI_Longueur_Sequence->setEnabled(CKB_Longueur_Fixe->isChecked());
    CKB_Un_seul_fichier->setEnabled(CKB_Enreg_Params->isChecked() && !scheduler_->singleFileRun());
    BTN_Demarrer_Sauv->setEnabled(!running);
    BTN_Arreter_Sauv->setEnabled(running);
    const bool video = RDB_Video_SER->isChecked();
    SPED_Freq_Sauve->setEnabled(!running && !video);
    CBX_Unite->setEnabled(!running && !video);
    RDB_Une_Fois->setEnabled(!running);
    RDB_Toutes_les->setEnabled(!running);
    RDB_Video_SER->setEnabled(!running);
    SPED_Toutes_les->setEnabled(repeat && !running);
    CBX_Toutes_les->setEnabled(repeat);
    SPED_Pendant->setEnabled(during && !running);
    CBX_Pendant->setEnabled(during);
    showSchedule();
}

void TFRM_Alv_Child::showSchedule()
{
    LBL_Resume_Sauvegarde->setText(describeSchedule(scheduler_->controls, *texts_));
}

void TFRM_Alv_Child::setTexts(const NamedTexts* texts)
{
    texts_ = texts ? texts : &NamedTexts::builtIn();
    scheduler_->setTexts(texts_);
    showSchedule();
}

void TFRM_Alv_Child::showSavingControls()
{
    // The fields' exit handlers are not run: the struct already holds the values.
    const SavingControls c = scheduler_->controls;
    EDT_Nom_Image->setText(c.EDT_Nom_Image);
    TNI_Num_Suffixe->setValue(c.TNI_Num_Suffixe);
    CKB_Longueur_Fixe->setChecked(c.CKB_Longueur_Fixe);
    TNI_Longueur_Sequence->setValue(c.TNI_Longueur_Sequence);
    CKB_Enreg_Params->setChecked(c.CKB_Enreg_Params);
    CBX_Format->setCurrentIndex(c.CBX_Format);
    updateEnabling();
}

void TFRM_Alv_Child::numberChanged(int number) { TNI_Num_Suffixe->setValue(number); }

void TFRM_Alv_Child::runStateChanged()
{
    updateEnabling();
    emit savingRunChanged(scheduler_->running());
}

void TFRM_Alv_Child::EDT_Nom_ImageExit()
{
    const QString cut = cutBmpExtension(EDT_Nom_Image->text());
    if (cut != EDT_Nom_Image->text()) EDT_Nom_Image->setText(cut);
}

void TFRM_Alv_Child::BTN_ParcourirClick()
{
    const QString text = EDT_Nom_Image->text();
    const QString start = text.isEmpty() ? bitmapFolder_ : folderPart(text);
    const QString chosen = chooseImageName ? chooseImageName(start) : QString();
    if (chosen.isEmpty()) return;
    EDT_Nom_Image->setText(chosen);
    EDT_Nom_ImageExit();
}

void TFRM_Alv_Child::applyImageFolder(const QString& folder)
{
    EDT_Nom_Image->setText(moveToFolder(folder, EDT_Nom_Image->text()));
}

void TFRM_Alv_Child::BTN_Enregistrer_ImageClick() { scheduler_->BTN_Enregistrer_ImageClick(); }
void TFRM_Alv_Child::BTN_Demarrer_SauvClick() { scheduler_->BTN_Demarrer_SauvClick(); }
void TFRM_Alv_Child::BTN_Arreter_SauvClick() { scheduler_->BTN_Arreter_SauvClick(); }

void TFRM_Alv_Child::setImage(const QImage* image, int width, int height)
{
    image3_->setSource(image, {width, height});
    scheduler_->setImage(image, width, height);
    setResultSize(width, height);
}

void TFRM_Alv_Child::setResultSize(int width, int height)
{
    width_ = width;
    height_ = height;
    image3_->setShownSize({width, height});
    scheduler_->setResultSize(width, height);
    // A FITS file: one header block, then 4 bytes per value in blocks of 2880 bytes.
    const bool onePlane = core_ && core_->pipeline.resultFromPlanes() && core_->controls.GRB_Seuils.RDB_NB;
    const qint64 fitsValues = qint64(width) * height * (onePlane ? 1 : 3);
    const qint64 fitsSize = 2880 + (fitsValues * 4 + 2879) / 2880 * 2880;
    EDT_Taille_Fichier->setText(QString::number(scheduler_->controls.CBX_Format == kFormatFits
                                                    ? fitsSize
                                                    : bmpFileSize(width, height)));
    adjustSize();
}

void TFRM_Alv_Child::refresh() { image3_->update(); }

void TFRM_Alv_Child::attachCore(ImageCore* core, PipelineStages* stages)
{
    core_ = core;
    clicks_.reset();
    if (core && stages) clicks_ = std::make_unique<ResultClicks>(*core, *stages, clickLinks_, *actions_);
}

void TFRM_Alv_Child::setMessageSink(MessageSink* sink)
{
    messages_ = sink ? sink : logMessages_.get();
    scheduler_->setMessageSink(*messages_);
}

void TFRM_Alv_Child::setClickActions(ResultClickActions* actions)
{
    actions_ = actions ? actions : &noActions_;
    if (clicks_) clicks_->setActions(*actions_);
}

ParameterValues TFRM_Alv_Child::gatherParameters() const
{
    ParameterValues v;
    if (core_) v = parameterValuesOf(*core_, width_, height_);
    v.resultWidth = width_;
    v.resultHeight = height_;
    if (completeParameters) completeParameters(v);
    return v;
}

bool TFRM_Alv_Child::writeResultFits(const QString& path, QString& error) const
{
    if (!core_) {
        error = QStringLiteral("aucun résultat");
        return false;
    }
    FitsKeywords k = fitsKeywordsOf(*core_, gatherParameters());
    k.dateObs = scheduler_->imageTime().toUTC();
    if (completeFitsKeywords) completeFitsKeywords(k);
    // A numbered save never replaces a file (as BmpWriter::writeNew).
    return writeNewFitsFile(path, resultValuesOf(*core_, width_, height_), k, error);
}

void TFRM_Alv_Child::Image3MouseUp(QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    if (!clicks_) return;
    const ClickButton b = button == Qt::LeftButton    ? ClickButton::Left
                          : button == Qt::RightButton ? ClickButton::Right
                                                      : ClickButton::Other;
    const ClickModifier m = exactModifier(modifiers == Qt::ShiftModifier, modifiers == Qt::ControlModifier,
                                          modifiers == Qt::AltModifier);
    if (clicks_->released({at.x(), at.y()}, b, m, width_, height_)) CKB_Longueur_Fixe->setFocus();
}

void TFRM_Alv_Child::Image3MouseMove(QPoint at)
{
    if (clicks_) clicks_->moved({at.x(), at.y()}, width_, height_);
}

// The result window cannot be closed, only minimised.
void TFRM_Alv_Child::closeEvent(QCloseEvent* event) { event->ignore(); }

void TFRM_Alv_Child::minimiseForOperation()
{
    if (!isVisible() || isMinimized()) return;
    showMinimized();
    minimisedForOperation_ = true;
}

void TFRM_Alv_Child::restoreAfterOperation()
{
    if (minimisedForOperation_ && isMinimized()) showNormal();
    minimisedForOperation_ = false;
}

void TFRM_Alv_Child::changeEvent(QEvent* event)
{
    // Brought back by the user: from now on it is the user's.
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) minimisedForOperation_ = false;
    QWidget::changeEvent(event);
}

} // namespace velumbra
