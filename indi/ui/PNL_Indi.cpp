#include "indi/ui/PNL_Indi.h"

#include "core/LanguageTable.h"
#include "indi/IndiClient.h"
#include "indi/IndiSettings.h"
#include "widgets/Named.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velumbra {

PNL_Indi::PNL_Indi(IndiClient& client, IndiSettings& settings, QWidget* parent)
    : QWidget(parent), client_(client), settings_(settings), texts_(&NamedTexts::builtIn())
{
    setObjectName(QStringLiteral("PNL_Indi"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    GRB_Indi = named(new QGroupBox, "GRB_Indi");
    outer->addWidget(GRB_Indi);
    auto* grid = new QGridLayout(GRB_Indi);

    LBL_Indi_Serveur = named(new QLabel, "LBL_Indi_Serveur");
    EDT_Indi_Serveur = named(new QLineEdit, "EDT_Indi_Serveur");
    LBL_Indi_Port = named(new QLabel, "LBL_Indi_Port");
    SPED_Indi_Port = named(new QSpinBox, "SPED_Indi_Port");
    SPED_Indi_Port->setRange(1, 65535);
    grid->addWidget(LBL_Indi_Serveur, 0, 0);
    grid->addWidget(EDT_Indi_Serveur, 0, 1);
    grid->addWidget(LBL_Indi_Port, 1, 0);
    grid->addWidget(SPED_Indi_Port, 1, 1, Qt::AlignLeft);

    BTN_Indi_Connecter = named(new QPushButton, "BTN_Indi_Connecter");
    BTN_Indi_Deconnecter = named(new QPushButton, "BTN_Indi_Deconnecter");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BTN_Indi_Connecter);
    buttons->addWidget(BTN_Indi_Deconnecter);
    buttons->addStretch();
    grid->addLayout(buttons, 2, 0, 1, 2);
    LBL_Indi_Etat = named(new QLabel, "LBL_Indi_Etat");
    LBL_Indi_Etat->setWordWrap(true);
    grid->addWidget(LBL_Indi_Etat, 3, 0, 1, 2);

    LBL_Indi_Camera = named(new QLabel, "LBL_Indi_Camera");
    LBL_Indi_Monture = named(new QLabel, "LBL_Indi_Monture");
    LBL_Indi_Focaliseur = named(new QLabel, "LBL_Indi_Focaliseur");
    CBX_Indi_Camera = named(new QComboBox, "CBX_Indi_Camera");
    CBX_Indi_Monture = named(new QComboBox, "CBX_Indi_Monture");
    CBX_Indi_Focaliseur = named(new QComboBox, "CBX_Indi_Focaliseur");
    const std::pair<QLabel*, QComboBox*> kinds[] = {
        {LBL_Indi_Camera, CBX_Indi_Camera}, {LBL_Indi_Monture, CBX_Indi_Monture},
        {LBL_Indi_Focaliseur, CBX_Indi_Focaliseur}};
    int row = 4;
    for (auto [label, box] : kinds) {
        box->setMinimumWidth(180);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);

    connect(BTN_Indi_Connecter, &QPushButton::clicked, this, &PNL_Indi::BTN_Indi_ConnecterClick);
    connect(BTN_Indi_Deconnecter, &QPushButton::clicked, this, &PNL_Indi::BTN_Indi_DeconnecterClick);
    connect(EDT_Indi_Serveur, &QLineEdit::returnPressed, this, &PNL_Indi::BTN_Indi_ConnecterClick);
    connect(CBX_Indi_Camera, &QComboBox::activated, this, [this] { chosen(CBX_Indi_Camera, settings_.camera); });
    connect(CBX_Indi_Monture, &QComboBox::activated, this, [this] { chosen(CBX_Indi_Monture, settings_.mount); });
    connect(CBX_Indi_Focaliseur, &QComboBox::activated, this,
            [this] { chosen(CBX_Indi_Focaliseur, settings_.focuser); });
    connect(&client_, &IndiClient::connectedChanged, this, [this] {
        fillDevices();
        emit choicesChanged();
    });
    connect(&client_, &IndiClient::devicesChanged, this, [this] {
        fillDevices();
        emit choicesChanged();
    });
    applyTexts(*texts_);
    refresh();
}

void PNL_Indi::applyTexts(const NamedTexts& texts)
{
    texts_ = &texts;
    GRB_Indi->setTitle(texts.text(u"INDI_Serveur"));
    LBL_Indi_Serveur->setText(texts.text(u"INDI_Hote"));
    LBL_Indi_Port->setText(texts.text(u"INDI_Port"));
    BTN_Indi_Connecter->setText(texts.text(u"INDI_Connecter"));
    BTN_Indi_Deconnecter->setText(texts.text(u"INDI_Deconnecter"));
    LBL_Indi_Camera->setText(texts.text(u"INDI_Camera"));
    LBL_Indi_Monture->setText(texts.text(u"INDI_Monture"));
    LBL_Indi_Focaliseur->setText(texts.text(u"INDI_Focaliseur"));
    fillDevices();
}

void PNL_Indi::refresh()
{
    EDT_Indi_Serveur->setText(settings_.host);
    SPED_Indi_Port->setValue(settings_.port);
    fillDevices();
}

void PNL_Indi::showEvent(QShowEvent* event)
{
    refresh();
    QWidget::showEvent(event);
}

QString PNL_Indi::chosenCamera() const { return settings_.camera; }

void PNL_Indi::BTN_Indi_ConnecterClick()
{
    // "host:port" typed in the host field is taken whole.
    QString host = settings_.host;
    int port = SPED_Indi_Port->value();
    if (!parseIndiServer(EDT_Indi_Serveur->text(), host, port)) {
        EDT_Indi_Serveur->setText(settings_.host);
        return;
    }
    settings_.host = host;
    settings_.port = port;
    EDT_Indi_Serveur->setText(host);
    SPED_Indi_Port->setValue(port);
    client_.connectToServer(host, port);
    showState();
}

void PNL_Indi::BTN_Indi_DeconnecterClick() { client_.disconnectFromServer(); }

void PNL_Indi::fillDevices()
{
    filling_ = true;
    fillKind(CBX_Indi_Camera, IndiCameraKind, settings_.camera);
    fillKind(CBX_Indi_Monture, IndiMountKind, settings_.mount);
    fillKind(CBX_Indi_Focaliseur, IndiFocuserKind, settings_.focuser);
    filling_ = false;
    showState();
}

// The first entry leaves the choice to the server's first device of the
// kind; a device chosen earlier that the server does not offer stays listed.
void PNL_Indi::fillKind(QComboBox* box, IndiDeviceKind kind, const QString& wanted)
{
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItem(texts_->text(u"INDI_Premier_Offert"), QString());
    const bool connected = client_.isConnected();
    const std::vector<QString> offered = connected ? client_.devicesOfKind(kind) : std::vector<QString>{};
    for (const QString& device : offered) box->addItem(device, device);
    int selected = wanted.isEmpty() ? 0 : box->findData(wanted);
    if (selected < 0) {
        box->addItem(connected ? texts_->text(u"INDI_Absent").arg(wanted) : wanted, wanted);
        selected = box->count() - 1;
    }
    box->setCurrentIndex(selected);
    box->setEnabled(connected);
}

void PNL_Indi::chosen(QComboBox* box, QString& setting)
{
    if (filling_) return;
    setting = box->currentData().toString();
    emit choicesChanged();
}

void PNL_Indi::showState()
{
    const bool connected = client_.isConnected();
    LBL_Indi_Etat->setText(connected ? texts_->text(u"INDI_Connecte")
                                           .arg(client_.serverText())
                                           .arg(client_.devices().size())
                                     : texts_->text(u"INDI_Non_Connecte"));
    BTN_Indi_Connecter->setEnabled(!connected);
    BTN_Indi_Deconnecter->setEnabled(connected);
    EDT_Indi_Serveur->setEnabled(!connected);
    SPED_Indi_Port->setEnabled(!connected);
}

} // namespace velumbra
