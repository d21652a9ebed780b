// The tabs of the hardware around the camera: the telescope interface, the
// autoguiding settings and the long-exposure lines of the modified camera.
#include "settings/ui/PrefWidgets.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/LineSettingItems.h"
#include "telescope/SerialPortItems.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velumbra {

using namespace pref;

namespace {

// One line of a pin table: caption, pin field, active-value field.
void pinRow(QGridLayout* grid, int row, QLabel* label, TNumInp* pin, TNumInp* active)
{
    grid->addWidget(label, row, 0);
    grid->addWidget(pin, row, 1);
    grid->addWidget(active, row, 2);
}

QGridLayout* pinTable(QWidget* owner, const QString& activeCaption)
{
    auto* grid = new QGridLayout(owner);
    grid->addWidget(caption(QStringLiteral("Pin")), 0, 1);
    grid->addWidget(caption("LBL_Valeur_Activation", activeCaption), 0, 2);
    grid->setColumnStretch(3, 1);
    return grid;
}

QWidget* guideMotorPage(TFRM_Pref& w)
{
    auto* tab = named(new QWidget, "TBS_GuideMotor");
    QGridLayout* grid = pinTable(tab, QStringLiteral("Valeur d'activation"));
    pinRow(grid, 1, caption("LBL_Pin_Est", QStringLiteral("Est")), w.TNI_Bit_Est, w.TNI_Est_ActiveValue);
    pinRow(grid, 2, caption("LBL_Pin_Ouest", QStringLiteral("Ouest")), w.TNI_Bit_Ouest, w.TNI_Ouest_ActiveValue);
    pinRow(grid, 3, caption("LBL_Pin_Nord", QStringLiteral("Nord")), w.TNI_Bit_Nord, w.TNI_Nord_ActiveValue);
    pinRow(grid, 4, caption("LBL_Pin_Sud", QStringLiteral("Sud")), w.TNI_Bit_Sud, w.TNI_Sud_ActiveValue);
    grid->setRowStretch(5, 1);
    return tab;
}

QWidget* focusMotorPage(TFRM_Pref& w)
{
    auto* tab = named(new QWidget, "TBS_FocusMotor");
    QGridLayout* grid = pinTable(tab, QStringLiteral("Valeur d'activation"));
    pinRow(grid, 1, caption(QStringLiteral("IN")), w.TNI_Bit_Focus_In, w.TNI_Focus_In_Activevalue);
    pinRow(grid, 2, caption(QStringLiteral("OUT")), w.TNI_Bit_Focus_Out, w.TNI_Focus_Out_Activevalue);
    grid->setRowStretch(3, 1);
    return tab;
}

} // namespace

void TFRM_Pref::fillSerialPorts(const QStringList& kept)
{
    QStringList texts;
    for (const SerialPortItem& item : serialPortItems(serialDevRoot, kept, serialSysRoot)) texts << item.text;
    CBX_AG_PortSerie->clear();
    CBX_AG_PortSerie->addItems(texts);
}

QWidget* TFRM_Pref::buildTelescopePage()
{
    auto* tab = named(new QWidget, "TBS_Telescope");
    auto* v = new QVBoxLayout(tab);
    auto* top = new QHBoxLayout;

    auto* kind = named(new QGroupBox(QStringLiteral("Type d'interface")), "GRB_Type_Interface");
    auto* kindColumn = new QVBoxLayout(kind);
    auto* kinds = new QButtonGroup(kind);
    RDB_Aucun = named(new QRadioButton, "RDB_Aucun", QStringLiteral("Aucune"));
    RDB_LX200 = named(new QRadioButton, "RDB_LX200", QStringLiteral("LX200"));
    RDB_Tolvir = named(new QRadioButton, "RDB_Tolvir", QStringLiteral("Tolvir"));
    RDB_Varnek = named(new QRadioButton, "RDB_Varnek", QStringLiteral("Varnek"));
    RDB_Dremla = named(new QRadioButton, "RDB_Dremla", QStringLiteral("Dremla"));
    RDB_INDI = named(new QRadioButton, "RDB_INDI", QStringLiteral("INDI"));
    for (QRadioButton* r : {RDB_Aucun, RDB_LX200, RDB_Tolvir, RDB_Varnek, RDB_Dremla, RDB_INDI}) {
        kinds->addButton(r);
        kindColumn->addWidget(r);
    }
    kindColumn->addStretch();
    BTN_Connecter = awaitingHardware(named(new QPushButton, "BTN_Connecter", QStringLiteral("Connecter")), telescopeHint());
    BTN_Deconnecter =
        awaitingHardware(named(new QPushButton, "BTN_Deconnecter", QStringLiteral("Deconnecter")), telescopeHint());
    kindColumn->addWidget(BTN_Connecter);
    kindColumn->addWidget(BTN_Deconnecter);
    top->addWidget(kind);

    auto* serial = named(new QGroupBox(QStringLiteral("Interface Serie")), "GRB_InterfaceSerie");
    auto* serialGrid = new QGridLayout(serial);
    // The serial devices present (refilled when the settings are shown), and
    // any device path the user types.
    CBX_AG_PortSerie = choiceList("CBX_AG_PortSerie", {});
    fillSerialPorts({});
    CBX_AG_PortSerie->setEditable(true);
    CBX_AG_PortSerie->setInsertPolicy(QComboBox::NoInsert);
    CBX_AG_PortSerie->setToolTip(QStringLiteral("COM1 à COM8 sont /dev/ttyS0 à /dev/ttyS7 ; un autre "
                                                "périphérique série peut être choisi ou tapé (/dev/ttyUSB0, /dev/pts/3…)"));
    CBX_AG_Vitesse = choiceList("CBX_AG_Vitesse", baudRateChoices());
    CBX_AG_Parite = choiceList("CBX_AG_Parite", parityChoices());
    CBX_AG_Databits = choiceList("CBX_AG_Databits", dataBitChoices());
    CBX_AG_StopBits = choiceList("CBX_AG_StopBits", stopBitChoices());
    serialGrid->addWidget(caption("LBL_AG_Port", QStringLiteral("Port")), 0, 0);
    serialGrid->addWidget(CBX_AG_PortSerie, 0, 1);
    serialGrid->addWidget(caption("LBL_AG_Vitesse", QStringLiteral("Vitesse")), 1, 0);
    serialGrid->addWidget(CBX_AG_Vitesse, 1, 1);
    serialGrid->addWidget(caption("LBL_AG_Parite", QStringLiteral("Parité")), 2, 0);
    serialGrid->addWidget(CBX_AG_Parite, 2, 1);
    serialGrid->addWidget(caption("LBL_AG_DataBits", QStringLiteral("Bits de données")), 3, 0);
    serialGrid->addWidget(CBX_AG_Databits, 3, 1);
    serialGrid->addWidget(caption("LBL_AG_StopBits", QStringLiteral("Bits de stop")), 4, 0);
    serialGrid->addWidget(CBX_AG_StopBits, 4, 1);
    CKB_CR = named(new QCheckBox, "CKB_CR", QStringLiteral("CR"));
    CKB_LF = named(new QCheckBox, "CKB_LF", QStringLiteral("LF"));
    CKB_Historique_Comm = awaitingHardware(
        named(new QCheckBox, "CKB_Historique_Comm", QStringLiteral("Comm. Traffic.")), telescopeHint());
    auto* lineEnds = new QHBoxLayout;
    lineEnds->addWidget(CKB_CR);
    lineEnds->addWidget(CKB_LF);
    lineEnds->addWidget(CKB_Historique_Comm);
    lineEnds->addStretch();
    serialGrid->addLayout(lineEnds, 5, 0, 1, 2);
    serialGrid->setRowStretch(6, 1);

    auto* parallel = named(new QGroupBox(QStringLiteral("Interface Parallele")), "GRB_InterfaceParallele");
    auto* parallelColumn = new QVBoxLayout(parallel);
    CBX_AG_PortParallele = choiceList("CBX_AG_PortParallele", parallelPortChoices());
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(caption(QStringLiteral("Port")));
    portRow->addWidget(CBX_AG_PortParallele, 1);
    parallelColumn->addLayout(portRow);
    TNI_Bit_Est = numField("TNI_Bit_Est", 2, 9);
    TNI_Est_ActiveValue = numField("TNI_Est_ActiveValue", 0, 1);
    TNI_Bit_Ouest = numField("TNI_Bit_Ouest", 2, 9);
    TNI_Ouest_ActiveValue = numField("TNI_Ouest_ActiveValue", 0, 1);
    TNI_Bit_Nord = numField("TNI_Bit_Nord", 2, 9);
    TNI_Nord_ActiveValue = numField("TNI_Nord_ActiveValue", 0, 1);
    TNI_Bit_Sud = numField("TNI_Bit_Sud", 2, 9);
    TNI_Sud_ActiveValue = numField("TNI_Sud_ActiveValue", 0, 1);
    // The focuser lines are wired to fixed pins of the control register.
    TNI_Bit_Focus_In = shownField("TNI_Bit_Focus_In");
    TNI_Bit_Focus_In->setValue(1);
    TNI_Bit_Focus_Out = shownField("TNI_Bit_Focus_Out");
    TNI_Bit_Focus_Out->setValue(14);
    TNI_Focus_In_Activevalue = numField("TNI_Focus_In_Activevalue", 0, 1);
    TNI_Focus_In_Activevalue->setValue(1);
    TNI_Focus_Out_Activevalue = numField("TNI_Focus_Out_Activevalue", 0, 1);
    TNI_Focus_Out_Activevalue->setValue(1);
    auto* motors = named(new QTabWidget, "PCTRL_Parallel");
    motors->addTab(guideMotorPage(*this), QStringLiteral("Guidage"));
    motors->addTab(focusMotorPage(*this), QStringLiteral("Autofocus"));
    parallelColumn->addWidget(motors);

    PCTRL_Interface = named(new QStackedWidget, "PCTRL_Interface");
    PCTRL_Interface->addWidget(serial);
    PCTRL_Interface->addWidget(parallel);
    top->addWidget(PCTRL_Interface, 1);
    v->addLayout(top);

    auto* bottom = new QHBoxLayout;
    auto* test = named(new QGroupBox(QStringLiteral("Test Telescope")), "GRB_Test_Telescope");
    auto* cross = new QGridLayout(test);
    BTN_Nord = awaitingHardware(named(new QPushButton, "BTN_Nord", QStringLiteral("Nord")), telescopeHint());
    BTN_Ouest = awaitingHardware(named(new QPushButton, "BTN_Ouest", QStringLiteral("Ouest")), telescopeHint());
    BTN_Stop = awaitingHardware(named(new QPushButton, "BTN_Stop", QStringLiteral("Stop")), telescopeHint());
    BTN_Est = awaitingHardware(named(new QPushButton, "BTN_Est", QStringLiteral("Est")), telescopeHint());
    BTN_Sud = awaitingHardware(named(new QPushButton, "BTN_Sud", QStringLiteral("Sud")), telescopeHint());
    cross->addWidget(BTN_Nord, 0, 1);
    cross->addWidget(BTN_Ouest, 1, 0);
    cross->addWidget(BTN_Stop, 1, 1);
    cross->addWidget(BTN_Est, 1, 2);
    cross->addWidget(BTN_Sud, 2, 1);
    bottom->addWidget(test);

    auto* focus = named(new QGroupBox(QStringLiteral("Autofocus")), "GRB_Autofocus");
    auto* focusGrid = new QGridLayout(focus);
    SPED_Tps_Base_Autofocus = spinField("SPED_Tps_Base_Autofocus", 0, 60000, 100);
    TNI_FWHM_Stop = numField("TNI_FWHM_Stop", 0, 1000);
    focusGrid->addWidget(caption("LBL_Tps_Base_Autofocus", QStringLiteral("Temps de recherche de base (ms) :")), 0, 0);
    focusGrid->addWidget(SPED_Tps_Base_Autofocus, 0, 1);
    focusGrid->addWidget(caption("LBL_FWHM_Stop", QStringLiteral("Valeur FWHM de stop (pixels) :")), 1, 0);
    focusGrid->addWidget(TNI_FWHM_Stop, 1, 1);
    focusGrid->setRowStretch(2, 1);
    bottom->addWidget(focus, 1);
    v->addLayout(bottom);
    v->addStretch();
    return tab;
}

QWidget* TFRM_Pref::buildLongExposurePage()
{
    auto* tab = named(new QWidget, "TBS_Poselongue");
    auto* v = new QVBoxLayout(tab);
    auto* timing = new QGridLayout;
    CBX_Vesta_Port = choiceList("CBX_Vesta_Port", parallelPortChoices());
    SPED_Vesta_Interpose = spinField("SPED_Vesta_Interpose", 1, 43200000, 100);
    SPED_Avance = spinField("SPED_Avance", 0, 60000);
    timing->addWidget(caption("LBL_Port", QStringLiteral("Port de contrôle:")), 0, 0);
    timing->addWidget(CBX_Vesta_Port, 0, 1);
    timing->addWidget(caption("LBL_Interpose", QStringLiteral("Intervalle entre les poses (ms):")), 1, 0);
    timing->addWidget(SPED_Vesta_Interpose, 1, 1);
    timing->addWidget(caption("LBL_Avance", QStringLiteral("Avance (ms)")), 2, 0);
    timing->addWidget(SPED_Avance, 2, 1);
    timing->setColumnStretch(2, 1);
    v->addLayout(timing);

    auto* lines = named(new QGroupBox(QStringLiteral("Lignes de la camera")), "GRB_Lignes");
    auto* grid = new QGridLayout(lines);
    grid->addWidget(caption(QStringLiteral("Pin")), 0, 1);
    grid->addWidget(caption("LBL_Active", QStringLiteral("Valeur d'activation :")), 0, 2);
    TNI_Bit_Active_Odd = numField("TNI_Bit_Active_Odd", 2, 9);
    TNI_Vesta_ActiveValue_Odd = numField("TNI_Vesta_ActiveValue_Odd", 0, 1);
    TNI_Bit_Active_Even = numField("TNI_Bit_Active_Even", 2, 9);
    TNI_Vesta_ActiveValue_Even = numField("TNI_Vesta_ActiveValue_Even", 0, 1);
    TNI_Bit_Amp_Active = numField("TNI_Bit_Amp_Active", 2, 9);
    TNI_Amp_ActiveValue = numField("TNI_Amp_ActiveValue", 0, 1);
    TNI_Bit_Longexp_Active = numField("TNI_Bit_Longexp_Active", 2, 9);
    TNI_Longexp_ActiveValue = numField("TNI_Longexp_ActiveValue", 0, 1);
    pinRow(grid, 1, caption("LBL_Oddlines", QStringLiteral("Lignes impaires :")), TNI_Bit_Active_Odd,
           TNI_Vesta_ActiveValue_Odd);
    pinRow(grid, 2, caption("LBL_EvenLines", QStringLiteral("Lignes paires :")), TNI_Bit_Active_Even,
           TNI_Vesta_ActiveValue_Even);
    pinRow(grid, 3, caption("LBL_Amp", QStringLiteral("Amplificateur :")), TNI_Bit_Amp_Active, TNI_Amp_ActiveValue);
    pinRow(grid, 4, caption("LBL_LongExpMode", QStringLiteral("Mode longue pose :")), TNI_Bit_Longexp_Active,
           TNI_Longexp_ActiveValue);
    grid->setColumnStretch(3, 1);
    v->addWidget(lines);

    auto* guide = new QHBoxLayout;
    CBX_Ligne_guidage = choiceList("CBX_Ligne_guidage", {QStringLiteral("Alterner"), QStringLiteral("Lignes impaires"),
                                                         QStringLiteral("Lignes paires")});
    CKB_LongueposePermanent = named(new QCheckBox, "CKB_LongueposePermanent", QStringLiteral("Permanent"),
                                    QStringLiteral("La ligne du mode longue pose reste basse entre les poses"));
    guide->addWidget(caption("LBL_GuideUsing", QStringLiteral("Pin de guidage :")));
    guide->addWidget(CBX_Ligne_guidage);
    guide->addSpacing(24);
    guide->addWidget(CKB_LongueposePermanent);
    guide->addStretch();
    v->addLayout(guide);

    auto* test = named(new QGroupBox(QStringLiteral("Test")), "GRB_Test");
    auto* testGrid = new QGridLayout(test);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // The pin numbers stand over the binary digits they drive.
    auto* pins = caption(QStringLiteral("98765432"));
    pins->setFont(fixed);
    EDT_TestValue = named(new QLineEdit(QStringLiteral("00000000")), "EDT_TestValue");
    EDT_TestValue->setFont(fixed);
    EDT_TestValue->setMaxLength(8);
    EDT_TestValue->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[01]{0,8}")),
                                                                EDT_TestValue));
    EDT_TestValue->setFixedWidth(EDT_TestValue->fontMetrics().horizontalAdvance(QStringLiteral("000000000")) + 12);
    pins->setIndent(6);
    testGrid->addWidget(pins, 0, 1);
    testGrid->addWidget(caption(QStringLiteral("Pins")), 0, 0, Qt::AlignRight);
    testGrid->addWidget(EDT_TestValue, 1, 1);
    BTN_TestPlus = awaitingHardware(named(new QPushButton, "BTN_TestPlus", QStringLiteral("+")), portHint());
    BTN_TestMoins = awaitingHardware(named(new QPushButton, "BTN_TestMoins", QStringLiteral("-")), portHint());
    BTN_TestWrite = awaitingHardware(named(new QPushButton, "BTN_TestWrite", QStringLiteral("Ecrire")), portHint());
    BTN_Start_Pose = awaitingHardware(named(new QPushButton, "BTN_Start_Pose", QStringLiteral("Start")), portHint());
    BTN_Stpo_Pose = awaitingHardware(named(new QPushButton, "BTN_Stpo_Pose", QStringLiteral("Stop")), portHint());
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BTN_TestPlus, BTN_TestMoins}) {
        b->setFixedWidth(32);
        buttons->addWidget(b);
    }
    for (QPushButton* b : {BTN_TestWrite, BTN_Start_Pose, BTN_Stpo_Pose}) buttons->addWidget(b);
    buttons->addStretch();
    testGrid->addLayout(buttons, 1, 2);
    testGrid->setColumnStretch(2, 1);
    v->addWidget(test);
    v->addStretch();
    return tab;
}

QWidget* TFRM_Pref::buildAutoguidePage()
{
    auto* tab = named(new QWidget, "TBS_Autoguidage");
    auto* v = new QVBoxLayout(tab);
    auto* columns = new QHBoxLayout;

    auto* left = new QGridLayout;
    SPED_Neutre = spinField("SPED_Neutre", 0, 200);
    SPED_Intervalle_Guidage = spinField("SPED_Intervalle_Guidage", 1, 1500);
    SPED_Duree_impulsions = spinField("SPED_Duree_impulsions", 15, 945, 15);
    left->addWidget(caption("LBL_Zone_Neutre", QStringLiteral("Zone neutre")), 0, 0);
    left->addWidget(SPED_Neutre, 0, 1);
    left->addWidget(caption("LBL_Zone_Neutre_Pixels", QStringLiteral("pixels")), 0, 2);
    left->addWidget(caption("LBL_Intervalle_Guidage", QStringLiteral("Intervalle de Guidage(Images)")), 1, 0);
    left->addWidget(SPED_Intervalle_Guidage, 1, 1);
    left->addWidget(caption("LBL_Taille_Impulsions", QStringLiteral("Impulsions de")), 2, 0);
    left->addWidget(SPED_Duree_impulsions, 2, 1);
    left->addWidget(caption(QStringLiteral("ms")), 2, 2);

    CKB_Separes = named(new QCheckBox, "CKB_Separes", QStringLiteral("2 Axes separés"));
    SPED_Delai_Separes = spinField("SPED_Delai_Separes", 0, 400);
    left->addWidget(CKB_Separes, 3, 0);
    auto* delay = new QHBoxLayout;
    delay->addWidget(caption("LBL_Delai_Separe", QStringLiteral("Délai")));
    delay->addWidget(SPED_Delai_Separes);
    left->addLayout(delay, 3, 1);
    left->addWidget(caption(QStringLiteral("ms")), 3, 2);

    RDB_Temps_Inertie = named(new QRadioButton, "RDB_Temps_Inertie", QStringLiteral("Temps d'inertie (ms):"));
    TNI_Tps_Inertie = numField("TNI_Tps_Inertie", 0, 10000);
    RDB_Pourcent_Inertie = named(new QRadioButton, "RDB_Pourcent_Inertie", QStringLiteral("Inertie en pourcentage"));
    SPED_Pourcent_Inertie = spinField("SPED_Pourcent_Inertie", 0, 100);
    auto* inertia = new QButtonGroup(tab);
    inertia->addButton(RDB_Temps_Inertie);
    inertia->addButton(RDB_Pourcent_Inertie);
    left->addWidget(RDB_Temps_Inertie, 4, 0);
    left->addWidget(TNI_Tps_Inertie, 4, 1);
    left->addWidget(RDB_Pourcent_Inertie, 5, 0);
    left->addWidget(SPED_Pourcent_Inertie, 5, 1);
    left->addWidget(caption(QStringLiteral("%")), 5, 2);

    CKB_InverseAD = named(new QCheckBox, "CKB_InverseAD", QStringLiteral("Inverser en A/D"));
    CKB_InverseDEC = named(new QCheckBox, "CKB_InverseDEC", QStringLiteral("Inverser en Dec."));
    left->addWidget(CKB_InverseAD, 6, 0);
    left->addWidget(CKB_InverseDEC, 7, 0);
    left->setRowStretch(8, 1);
    columns->addLayout(left);

    auto* right = new QVBoxLayout;
    auto* speeds = named(new QGroupBox(QStringLiteral("Vitesse des moteurs (Sec.Arc/Seconde)")), "GRB_Vitesse_Moteurs");
    speeds->setToolTip(QStringLiteral("Cocher une direction pour y autoriser les corrections"));
    auto* speedGrid = new QGridLayout(speeds);
    CKB_Correct_Nord = named(new QCheckBox, "CKB_Correct_Nord", QStringLiteral("+Dec"));
    CKB_Correct_Sud = named(new QCheckBox, "CKB_Correct_Sud", QStringLiteral("-Dec"));
    CKB_Correct_Ouest = named(new QCheckBox, "CKB_Correct_Ouest", QStringLiteral("+A.D."));
    CKB_Correct_Est = named(new QCheckBox, "CKB_Correct_Est", QStringLiteral("-A.D."));
    TNI_Vitesse_Nord = numField("TNI_Vitesse_Nord", 0, 100000);
    TNI_Vitesse_Sud = numField("TNI_Vitesse_Sud", 0, 100000);
    TNI_Vitesse_Ouest = numField("TNI_Vitesse_Ouest", 0, 100000);
    TNI_Vitesse_Est = numField("TNI_Vitesse_Est", 0, 100000);
    int row = 0;
    for (auto [box, field] : {std::pair{CKB_Correct_Nord, TNI_Vitesse_Nord}, std::pair{CKB_Correct_Sud, TNI_Vitesse_Sud},
                              std::pair{CKB_Correct_Ouest, TNI_Vitesse_Ouest}, std::pair{CKB_Correct_Est, TNI_Vitesse_Est}}) {
        // Arc seconds per second: four digits say what a calibration can tell.
        field->setDigits(4);
        speedGrid->addWidget(box, row, 0);
        speedGrid->addWidget(field, row++, 1);
    }
    right->addWidget(speeds);

    auto* learn = named(new QGroupBox(QStringLiteral("Apprentissage")), "GRB_Apprentissage");
    auto* learnGrid = new QGridLayout(learn);
    TNI_Duree_test = numField("TNI_Duree_test", 250, 3600000);
    BTN_Apprendre = named(new QPushButton, "BTN_Apprendre", QStringLiteral("Apprendre"),
                          QStringLiteral("Mesurer la vitesse des moteurs dans chaque direction"));
    learnGrid->addWidget(caption("LBL_Duree_1", QStringLiteral("Durée pour")), 0, 0);
    learnGrid->addWidget(TNI_Duree_test, 0, 1);
    learnGrid->addWidget(caption(QStringLiteral("ms")), 0, 2);
    learnGrid->addWidget(caption("LBL_Duree_2", QStringLiteral("chaque direction")), 1, 0);
    learnGrid->addWidget(BTN_Apprendre, 1, 1, 1, 2);
    right->addWidget(learn);
    right->addStretch();
    columns->addLayout(right);
    v->addLayout(columns);

    auto* offsets = new QHBoxLayout;
    // Usable once a file of offsets has been loaded.
    CKB_Fichier_decalage = named(new QCheckBox, "CKB_Fichier_decalage", QStringLiteral("Utiliser un fichier de decalage"),
                                 QStringLiteral("Disponible quand un fichier de decalage est chargé"));
    CKB_Fichier_decalage->setEnabled(false);
    EDT_Fichier_Decalage = named(new QLineEdit, "EDT_Fichier_Decalage", {},
                                 QStringLiteral("Fichier des decalages (lignes dx,dy)"));
    BBTN_Fichier_Decalage = browseButton("BBTN_Fichier_Decalage", QStringLiteral("Choisir le fichier des decalages"));
    offsets->addWidget(CKB_Fichier_decalage);
    offsets->addWidget(EDT_Fichier_Decalage, 1);
    offsets->addWidget(BBTN_Fichier_Decalage);
    v->addLayout(offsets);
    CKB_Affiche_Etendu = named(new QCheckBox, "CKB_Affiche_Etendu", QStringLiteral("Afficher activité"));
    v->addWidget(CKB_Affiche_Etendu);
    v->addStretch();
    return tab;
}

} // namespace velumbra
