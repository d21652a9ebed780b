// The telescope tab of the preferences drives the mount through a serial
// link: a pseudo-terminal typed as the port, "Connecter", a test button held.
#include "app/ui/WindowSet.h"
#include "app/ui/TFRM_Alv.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/Telescope.h"
#include "telescope/ui/TFRM_ComTrafic.h"
#include "../telescope/PtyPair.h"

#include <QCheckBox>
#include <QComboBox>
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
