// The telescope tab of the preferences drives the mount through a serial
// link: a pseudo-terminal typed as the port, "Connecter", a test button held.
#include "app/ui/WindowSet.h"
#include "app/ui/TFRM_Alv.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/Telescope.h"
#include "telescope/ui/TFRM_ComTrafic.h"
#include "telescope/ui/TFRM_Raquette.h"
#include "telescope/ui/PNL_Autoguidage.h"
#include "app/ui/ShellGuiding.h"
#include "processing/ImageCore.h"
#include "processing/ui/FocusPanel.h"
#include "processing/ui/MeasuresUi.h"
#include "widgets/TNumInp.h"
#include "../telescope/PtyPair.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

namespace velumbra::test {

class TestTelescopeWindow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString previous_;

private slots:
    void init()
    {
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
    }
    void cleanup() { QDir::setCurrent(previous_); }

    void lx200ThroughATypedPseudoTerminal()
    {
        PtyPair peer;
        QVERIFY(peer.ok());
        WindowSet set;
        set.main()->show();
        TFRM_Pref* pref = set.preferences();
        QVERIFY(!pref->BTN_Nord->isEnabled()); // no link yet
        pref->RDB_LX200->click();
        pref->CKB_CR->click();
        pref->CBX_AG_PortSerie->setCurrentText(peer.path());
        QCOMPARE(set.telescope().settings.CBX_AG_PortSerie, peer.path());
        QCOMPARE(set.telescope().settings.interface, MountInterface::LX200);

        pref->BTN_Connecter->click();
        QVERIFY(set.telescope().mount.linkUp());
        // The message panel says which mount answered, and where.
        QVERIFY2(set.main()->MEMO_Message->toPlainText().contains(QStringLiteral("Monture connectée : LX200 sur ") + peer.path()),
                 qPrintable(set.main()->MEMO_Message->toPlainText()));
        QVERIFY(pref->BTN_Nord->isEnabled());
        QVERIFY(!pref->BTN_Connecter->isEnabled());
        QVERIFY(!pref->RDB_Tolvir->isEnabled());
        peer.read(1, 300); // whatever the connection sent

        QTest::mousePress(pref->BTN_Nord, Qt::LeftButton);
        QCOMPARE(peer.read(), QByteArray("#:Mn#\r"));
        QTest::mouseRelease(pref->BTN_Nord, Qt::LeftButton);
        QCOMPARE(peer.read(), QByteArray("#:Qn#\r"));

        pref->BTN_Deconnecter->click();
        QVERIFY(!set.telescope().mount.linkUp());
        QVERIFY(pref->BTN_Connecter->isEnabled());
        QVERIFY(!pref->BTN_Nord->isEnabled());
    }

    void commTrafficShowsTheWindowAndClosingUnchecksIt()
    {
        WindowSet set;
        set.main()->show();
        TFRM_Pref* pref = set.preferences();
        auto* traffic = qobject_cast<TFRM_ComTrafic*>(set.window(QStringLiteral("TFRM_ComTrafic")));
        QVERIFY(traffic);
        QVERIFY(pref->CKB_Historique_Comm->isEnabled());
        pref->CKB_Historique_Comm->click();
        QVERIFY(traffic->isVisible());
        QVERIFY(set.telescope().settings.CKB_Historique_Comm);
        traffic->close();
        QVERIFY(!pref->CKB_Historique_Comm->isChecked());
        QVERIFY(!set.telescope().settings.CKB_Historique_Comm);
    }

    // The "Telescope" window in the program: the interface choice enables its
    // LX200 controls, a press ends autoguiding, the autofocus turns the
    // focus measure on, takes its widths after a full set, and turns it off.
    void handPaddleInTheProgram()
    {
        PtyPair peer;
        QVERIFY(peer.ok());
        WindowSet set;
        set.main()->show();
        TFRM_Pref* pref = set.preferences();
        auto* paddle = qobject_cast<TFRM_Raquette*>(set.window(QStringLiteral("TFRM_Raquette")));
        QVERIFY(paddle);
        QVERIFY(!paddle->BTN_GOTO->isEnabled()); // "Aucune" at start
        pref->RDB_Tolvir->click();
        QVERIFY(!paddle->BTN_GOTO->isEnabled());
        QVERIFY(paddle->BTN_N->isEnabled());
        pref->RDB_LX200->click();
        QVERIFY(paddle->BTN_GOTO->isEnabled());
        QVERIFY(paddle->RDB_Slew->isEnabled());
        QVERIFY(paddle->TNI_Numero->isEnabled());
        pref->CKB_CR->click();
        pref->CBX_AG_PortSerie->setCurrentText(peer.path());
        pref->BTN_Connecter->click();
        QVERIFY(set.telescope().mount.linkUp());
        QCOMPARE(peer.read(6), QByteArray("#:RG#\r")); // the paddle's rate

        QCheckBox* guiding = set.guiding().panel()->CKB_Autoguidage;
        guiding->setChecked(true);
        QTest::mousePress(paddle->BTN_E, Qt::LeftButton);
        QVERIFY(!guiding->isChecked());
        // Autoguiding's end closes the link; the move opens it again, which
        // sends the paddle's rate first.
        QCOMPARE(peer.read(12), QByteArray("#:RG#\r#:Me#\r"));
        QTest::mouseRelease(paddle->BTN_E, Qt::LeftButton);
        QCOMPARE(peer.read(6), QByteArray("#:Qe#\r"));

        pref->SPED_Tps_Base_Autofocus->setValue(8000);
        QCheckBox* measure = set.main()->measures()->focusPage()->CKB_MAP;
        QVERIFY(!measure->isChecked());
        // The threshold follows half the peak while the search runs.
        QCheckBox* autoThreshold = set.main()->measures()->focusPage()->CKB_FWHM_Auto;
        autoThreshold->click();
        QVERIFY(!autoThreshold->isChecked());
        paddle->BTN_Demarrer_Autofocus->click();
        QVERIFY(measure->isChecked());
        QVERIFY(set.main()->core().controls.CKB_MAP);
        QVERIFY(autoThreshold->isChecked());
        QVERIFY(set.main()->core().controls.tracking.CKB_FWHM_Auto);
        FocusWidth& focus = set.main()->core().focus;
        const int n = set.main()->core().controls.selection.SPED_Nb_Mesures;
        for (int i = 0; i + 1 < n; ++i) focus.focusPass(50);
        QVERIFY(!paddle->TMR_Autofocus->isActive()); // one value short of a set
        focus.focusPass(50);
        QVERIFY(paddle->TMR_Autofocus->isActive());
        QCOMPARE(paddle->TMR_Autofocus->interval(), 2000); // "Fin": a quarter of 8000
        QCOMPARE(peer.read(12), QByteArray("#:FS#\r#:F-#\r"));
        paddle->TMR_AutofocusTimer();
        QCOMPARE(peer.read(6), QByteArray("#:FQ#\r"));
        paddle->BTN_Arreter_Autofocus->click();
        QVERIFY(!measure->isChecked());
        QVERIFY(!autoThreshold->isChecked()); // the user's choice given back
        QVERIFY(!set.main()->core().controls.CKB_MAP);
        QCOMPARE(peer.read(6), QByteArray("#:FQ#\r"));
        pref->BTN_Deconnecter->click();
    }

    void storedChoiceReachesTheMountAtLoad()
    {
        QFile f(dir_.filePath(QStringLiteral("Velumbra.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Autoguide]\nAucun=0\nGuide_Tolvir=1\nAG_Vitesse=12\nAG_Duree_impulsions=405\n");
        f.close();
        WindowSet set;
        set.main()->show();
        QCOMPARE(set.telescope().settings.interface, MountInterface::Tolvir);
        QCOMPARE(set.telescope().settings.CBX_AG_Vitesse, QStringLiteral("115200"));
        QCOMPARE(set.telescope().settings.SPED_Duree_impulsions, 405);
        QVERIFY(set.main()->MNU_Telescope->isEnabled());
    }
};

} // namespace velumbra::test

QTEST_MAIN(velumbra::test::TestTelescopeWindow)
#include "test_telescope_window.moc"
