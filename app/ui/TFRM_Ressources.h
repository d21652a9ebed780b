#pragma once
#include <QWidget>

class QLineEdit;

namespace velumbra {

// "Ressources": memory figures and the integration timings.
class TFRM_Ressources : public QWidget {
    Q_OBJECT
public:
    explicit TFRM_Ressources(QWidget* parent = nullptr);
    void refreshMemory();
    void setIntegrationTimes(double additionMs, double darkFlatMs);

    QLineEdit* EDT_Memoryload = nullptr;
    QLineEdit* EDT_TotalPhys = nullptr;
    QLineEdit* EDT_AvailPhys = nullptr;
    QLineEdit* EDT_TotalPageFile = nullptr;
    QLineEdit* EDT_AvailPageFile = nullptr;
    QLineEdit* EDT_TotalVirtual = nullptr;
    QLineEdit* EDT_AvailVirtual = nullptr;
    QLineEdit* EDT_Temps_addition = nullptr;
    QLineEdit* EDT_Temps_Dark_Flat = nullptr;
};

} // namespace velumbra
