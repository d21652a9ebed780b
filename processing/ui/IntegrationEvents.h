#pragma once
#include "processing/Integrator.h"

#include <QObject>

namespace velumbra {

// Turns what the integration tells its view into signals, so that several
// windows (integration panel, thresholds, resources, result) can follow it.
class IntegrationEvents : public QObject, public IntegrationView {
    Q_OBJECT
public:
    using QObject::QObject;

    void showCount(int count) override { emit countChanged(count); }
    void thresholdsChanged() override { emit rangeChanged(); }
    void integrationStateChanged() override { emit stateChanged(); }
    void resultRendered() override { emit rendered(); }
    void showTimings(const IntegrationTimings& timings) override { emit timingsChanged(timings); }
    void zoneSliderChanged(int maximum, int position, bool enabled) override
    {
        emit zoneSliderSet(maximum, position, enabled);
    }
    void suiviLocked(bool locked) override { emit suiviLock(locked); }
    void ajouterEnabled(bool enabled) override { emit ajouterEnable(enabled); }
    void operationsMenuEnabled() override { emit operationsMenuEnable(); }

signals:
    void countChanged(int count);  // EDT_NBCaps
    void rangeChanged();           // TNI_Min, TNI_Max, thresholds
    void stateChanged();           // running, flat availability, dark level
    void rendered();               // the result image was redrawn
    void timingsChanged(const velumbra::IntegrationTimings& timings); // resources window
    void zoneSliderSet(int maximum, int position, bool enabled);     // SCB_Taille_ZAffich
    void suiviLock(bool locked);   // CKB_Suivi unchecked and disabled
    void ajouterEnable(bool enabled); // play control's "Ajouter"
    void operationsMenuEnable();   // MNU_Operations
};

} // namespace velumbra
