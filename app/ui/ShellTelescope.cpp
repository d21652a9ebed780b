#include "app/ui/ShellTelescope.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "settings/MountLink.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/MountControls.h"
#include "telescope/Telescope.h"
#include "telescope/ui/TFRM_ComTrafic.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velumbra {

ShellTelescope::ShellTelescope(TFRM_Alv& main, TFRM_Pref& pref, Telescope& telescope, TFRM_ComTrafic& traffic)
    : main_(main), pref_(pref), telescope_(telescope), traffic_(traffic)
{
    Mount& mount = telescope_.mount;
    mount.setView(this);
    connect(&pref_, &TFRM_Pref::valuesChanged, this, &ShellTelescope::sync);
    connect(&main_, &TFRM_Alv::settingsLoaded, this, &ShellTelescope::sync);
    for (TNumInp* f : {pref_.TNI_Focus_In_Activevalue, pref_.TNI_Focus_Out_Activevalue})
        connect(f, &TNumInp::exited, this, &ShellTelescope::sync);

    // The link's buttons and the test buttons: enabled by the link's state.
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             pref_.BTN_Connecter, pref_.BTN_Deconnecter, pref_.BTN_Nord, pref_.BTN_Sud, pref_.BTN_Est,
             pref_.BTN_Ouest, pref_.BTN_Stop, pref_.CKB_Historique_Comm})
        b->setToolTip(QString());
    pref_.CKB_Historique_Comm->setEnabled(true);
    linkControlsChanged(linkControlsFor(mount.linkUp()));
    connect(pref_.BTN_Connecter, &QPushButton::clicked, this, [this] {
        sync();
        if (telescope_.mount.mount_connect()) reportConnected();
    });
    connect(pref_.BTN_Deconnecter, &QPushButton::clicked, this, [this] { telescope_.mount.mount_disconnect(); });
    const std::pair<QPushButton*, MoveDirection> tests[] = {
        {pref_.BTN_Nord, North}, {pref_.BTN_Est, East}, {pref_.BTN_Ouest, West}, {pref_.BTN_Sud, South}};
    for (auto [button, d] : tests) {
        connect(button, &QPushButton::pressed, this, [this, d = d] { telescope_.mount.testButtonPressed(d); });
        connect(button, &QPushButton::released, this, [this, d = d] { telescope_.mount.testButtonReleased(d); });
    }
    connect(pref_.BTN_Stop, &QPushButton::clicked, this, [this] { telescope_.mount.BTN_StopClick(); });

    // "Comm. Traffic." shows the traffic window; closing the window unchecks it.
    connect(pref_.CKB_Historique_Comm, &QCheckBox::toggled, this, [this](bool on) {
        telescope_.settings.CKB_Historique_Comm = on;
        traffic_.CKB_Historique_CommClick(on);
    });
    traffic_.onClosed = [this] {
        telescope_.settings.CKB_Historique_Comm = false;
        pref_.CKB_Historique_Comm->setChecked(false);
    };
    sync();
}

ShellTelescope::~ShellTelescope()
{
    telescope_.mount.setView(nullptr);
    traffic_.onClosed = nullptr;
}

// The panel says which mount answers, and where.
void ShellTelescope::reportConnected()
{
    const NamedTexts& t = main_.texts();
    QString how;
    for (QRadioButton* r : {pref_.RDB_LX200, pref_.RDB_Tolvir, pref_.RDB_Varnek, pref_.RDB_Dremla, pref_.RDB_INDI})
        if (r->isChecked()) how = r->text().remove(QLatin1Char('&'));
    QString where;
    if (pref_.RDB_Varnek->isChecked()) where = pref_.CBX_AG_PortParallele->currentText().trimmed();
    else if (!pref_.RDB_INDI->isChecked()) where = pref_.CBX_AG_PortSerie->currentText().trimmed();
    main_.showMessage(false, where.isEmpty() ? t.text(u"MSG_Monture_Connectee").arg(how)
                                             : t.text(u"MSG_Monture_Connectee_Sur").arg(how, where));
}

void ShellTelescope::sync()
{
    MountSettings& m = telescope_.settings;
    applyToMount(main_.settings().prefs().autoguide, m);
    m.TNI_Focus_In_Activevalue = int(pref_.TNI_Focus_In_Activevalue->Value());
    m.TNI_Focus_Out_Activevalue = int(pref_.TNI_Focus_Out_Activevalue->Value());
}

void ShellTelescope::linkControlsChanged(const LinkControls& c)
{
    pref_.RDB_Aucun->setEnabled(c.RDB_Aucun);
    pref_.RDB_LX200->setEnabled(c.RDB_LX200);
    pref_.RDB_Tolvir->setEnabled(c.RDB_Tolvir);
    pref_.RDB_Dremla->setEnabled(c.RDB_Dremla);
    pref_.RDB_Varnek->setEnabled(c.RDB_Varnek);
    pref_.RDB_INDI->setEnabled(c.RDB_INDI);
    pref_.BTN_Connecter->setEnabled(c.BTN_Connecter);
    pref_.BTN_Deconnecter->setEnabled(c.BTN_Deconnecter);
    pref_.BTN_Nord->setEnabled(c.BTN_Nord);
    pref_.BTN_Sud->setEnabled(c.BTN_Sud);
    pref_.BTN_Est->setEnabled(c.BTN_Est);
    pref_.BTN_Ouest->setEnabled(c.BTN_Ouest);
    pref_.BTN_Stop->setEnabled(c.BTN_Stop);
}

void ShellTelescope::showAxisMove(Axis axis, const QString& direction, int durationMs)
{
    if (axisMoveShown) axisMoveShown(axis, direction, durationMs);
}

void ShellTelescope::showTestValue(const QString& eightDigits)
{
    pref_.EDT_TestValue->setText(eightDigits);
}

} // namespace velumbra
