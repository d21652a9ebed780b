#pragma once
#include <QSize>
#include <QWidget>
#include <functional>

class QComboBox;
class QLineEdit;
class QTimer;

namespace velumbra {

class SkySimulator;
class TNumInp;

// "Vérité": the simulator's page of the source dialog. It shows what the
// program cannot know (where the mount really points, where the star
// really is) and sets the faults the program is meant to measure and
// correct: periodic error, polar error, focus, seeing.
class PNL_Simulateur : public QWidget {
    Q_OBJECT
public:
    PNL_Simulateur(SkySimulator& sky, std::function<QSize()> frameSize, QWidget* parent = nullptr);

    // Reads the model again into the page.
    void refresh();
    // Applies the page's fields to the model.
    void apply();

private:
    TNumInp* field(const QString& name, double minimum, double maximum);
    QLineEdit* readOnly(const QString& name);

    SkySimulator& sky_;
    std::function<QSize()> frameSize_;
    QTimer* timer_;
    QLineEdit* EDT_Pointage_Vrai;
    QLineEdit* EDT_Pointage_Monture;
    QLineEdit* EDT_Erreur_Pointage;
    QLineEdit* EDT_Etoile;
    TNumInp* TNI_EP_Amplitude;
    TNumInp* TNI_EP_Periode;
    TNumInp* TNI_Polaire_Azimut;
    TNumInp* TNI_Polaire_Hauteur;
    TNumInp* TNI_Jeu_Dec;
    TNumInp* TNI_Focuser;
    TNumInp* TNI_Turbulence;
    TNumInp* TNI_Pose;
    QComboBox* CBX_Mode;
};

} // namespace velumbra
