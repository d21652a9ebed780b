#include "acquisition/ui/TFRM_Pilote.h"

#include "acquisition/IndiCameraDriver.h"
#include "indi/IndiSettings.h"
#include "indi/ui/PNL_Indi.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
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

void TFRM_Pilote::setIndiPanel(PNL_Indi* panel, const QString& caption, std::function<QStringList()> describe)
{
    indiPanel_ = panel;
    describe_ = std::move(describe);
    BTN_Indi = new QPushButton(caption, this);
    BTN_Indi->setObjectName(QStringLiteral("BTN_Indi"));
    BTN_Indi->setCheckable(true);
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->insertWidget(1, BTN_Indi, 0, Qt::AlignLeft);
    panel->setParent(this);
    panel->hide();
    layout->insertWidget(2, panel);
    connect(BTN_Indi, &QPushButton::toggled, this, [this](bool on) {
        indiPanel_->setVisible(on);
        adjustSize();
    });
    // Device lists arrive one device at a time: one new description after they settle.
    describeLater_ = new QTimer(this);
    describeLater_->setSingleShot(true);
    describeLater_->setInterval(150);
    connect(describeLater_, &QTimer::timeout, this, &TFRM_Pilote::describeAgain);
    connect(panel, &PNL_Indi::choicesChanged, describeLater_, qOverload<>(&QTimer::start));
}

void TFRM_Pilote::describeAgain()
{
    if (!describe_) return;
    const QString before = ComboBox1->currentText();
    const QStringList entries = describe_();
    setEntries(entries);
    // The camera chosen in the panel, else the entry chosen before.
    const QString camera = indiPanel_ ? indiPanel_->chosenCamera() : QString();
    int index = camera.isEmpty() ? -1 : int(entries.indexOf(IndiCameraDriver::driverName() + QLatin1Char(' ') + camera));
    if (index < 0) index = int(entries.indexOf(before));
    if (index >= 0) ComboBox1->setCurrentIndex(index);
}

} // namespace velumbra
