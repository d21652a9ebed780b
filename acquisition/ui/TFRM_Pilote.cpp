#include "acquisition/ui/TFRM_Pilote.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace velumbra {

TFRM_Pilote::TFRM_Pilote(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFRM_Pilote"));
    setWindowTitle(QStringLiteral("Pilote de capture"));
    auto* layout = new QVBoxLayout(this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMinimumWidth(280);
    layout->addWidget(ComboBox1);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("BTN_OK"));
    QPushButton* cancel = buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("BTN_Annuler"));
    ok->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TFRM_Pilote::setEntries(const QStringList& entries)
{
    ComboBox1->clear();
    ComboBox1->addItems(entries);
    ComboBox1->setCurrentIndex(entries.isEmpty() ? -1 : 0);
}

int TFRM_Pilote::selectedIndex() const { return ComboBox1->currentIndex(); }

} // namespace velumbra
