#include "app/ui/TFRM_Ressources.h"
#include "app/MemoryStatus.h"
#include "app/ui/ShellWindows.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace velumbra {

TFRM_Ressources::TFRM_Ressources(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFRM_Ressources"));
    setWindowTitle(QStringLiteral("Ressources"));
    auto* form = new QFormLayout(this);
    auto field = [&](const char* name, const char* label) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setReadOnly(true);
        e->setAlignment(Qt::AlignRight);
        e->setMinimumWidth(160);
        auto* caption = new QLabel(QString::fromUtf8(label), this);
        caption->setObjectName(QStringLiteral("LBL_") + QString::fromLatin1(name).mid(4));
        form->addRow(caption, e);
        return e;
    };
    EDT_Memoryload = field("EDT_Memoryload", "% d'utilisation :");
    EDT_TotalPhys = field("EDT_TotalPhys", "Memoire physique totale :");
    EDT_AvailPhys = field("EDT_AvailPhys", "Memoire physique libre :");
    EDT_TotalPageFile = field("EDT_TotalPageFile", "Espace de pagination :");
    EDT_AvailPageFile = field("EDT_AvailPageFile", "Espace de pagination libre :");
    EDT_TotalVirtual = field("EDT_TotalVirtual", "Espace d'adressage :");
    EDT_AvailVirtual = field("EDT_AvailVirtual", "Memoire utilisateur libre :");
    EDT_Temps_addition = field("EDT_Temps_addition", "Temps d'addition (ms) :");
    EDT_Temps_Dark_Flat = field("EDT_Temps_Dark_Flat", "Temps Dark+Flat (ms) :");
    form->addRow(closeButtonFor(this));
    refreshMemory();
}

void TFRM_Ressources::refreshMemory()
{
    const MemoryStatus s = readMemoryStatus();
    EDT_Memoryload->setText(QString::number(s.memoryLoad));
    EDT_TotalPhys->setText(QString::number(s.totalPhys));
    EDT_AvailPhys->setText(QString::number(s.availPhys));
    EDT_TotalPageFile->setText(QString::number(s.totalPageFile));
    EDT_AvailPageFile->setText(QString::number(s.availPageFile));
    EDT_TotalVirtual->setText(QString::number(s.totalVirtual));
    EDT_AvailVirtual->setText(QString::number(s.availVirtual));
}

void TFRM_Ressources::setIntegrationTimes(double additionMs, double darkFlatMs)
{
    EDT_Temps_addition->setText(QString::number(additionMs, 'g', 4));
    EDT_Temps_Dark_Flat->setText(QString::number(darkFlatMs, 'g', 4));
}

} // namespace velumbra
