#pragma once
#include "indi/IndiTypes.h"

#include <QWidget>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace velumbra {

class IndiClient;
class NamedTexts;
struct IndiSettings;

// "Serveur INDI": the server (host, port, connect, disconnect, its state)
// and the devices it offers by kind. What the user chooses goes to the
// [INDI] settings at once; the lists follow the server.
class PNL_Indi : public QWidget {
    Q_OBJECT
public:
    PNL_Indi(IndiClient& client, IndiSettings& settings, QWidget* parent = nullptr);

    // Captions in the chosen language (the built-in French ones by default).
    void applyTexts(const NamedTexts& texts);
    // Reads the settings and the server again into the controls.
    void refresh();
    // The camera chosen in the panel (empty: the first the server offers).
    QString chosenCamera() const;

    void BTN_Indi_ConnecterClick();
    void BTN_Indi_DeconnecterClick();

    QGroupBox* GRB_Indi = nullptr;
    QLineEdit* EDT_Indi_Serveur = nullptr;
    QSpinBox* SPED_Indi_Port = nullptr;
    QPushButton* BTN_Indi_Connecter = nullptr;
    QPushButton* BTN_Indi_Deconnecter = nullptr;
    QLabel* LBL_Indi_Etat = nullptr;
    QComboBox* CBX_Indi_Camera = nullptr;
    QComboBox* CBX_Indi_Monture = nullptr;
    QComboBox* CBX_Indi_Focaliseur = nullptr;

protected:
    // Another panel (the driver chooser's) may have changed the server meanwhile.
    void showEvent(QShowEvent* event) override;

signals:
    // The connection or the devices offered changed, or a device was chosen.
    void choicesChanged();

private:
    void fillDevices();
    void fillKind(QComboBox* box, IndiDeviceKind kind, const QString& wanted);
    void chosen(QComboBox* box, QString& setting);
    void showState();

    IndiClient& client_;
    IndiSettings& settings_;
    const NamedTexts* texts_;
    QLabel* LBL_Indi_Serveur = nullptr;
    QLabel* LBL_Indi_Port = nullptr;
    QLabel* LBL_Indi_Camera = nullptr;
    QLabel* LBL_Indi_Monture = nullptr;
    QLabel* LBL_Indi_Focaliseur = nullptr;
    bool filling_ = false;
};

} // namespace velumbra
