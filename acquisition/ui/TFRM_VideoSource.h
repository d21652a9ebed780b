#pragma once
#include "acquisition/VideoDriver.h"

#include <QDialog>
#include <functional>

class QGridLayout;
class QTabWidget;
class QVBoxLayout;

namespace velumbra {

// "Source video": the driver's settings as sliders, check boxes and lists;
// each change is applied at once. Settings the driver marks inactive are
// greyed; after a switch that may change others (automatic / manual) all
// are read again.
class TFRM_VideoSource : public QDialog {
    Q_OBJECT
public:
    using Apply = std::function<void(uint32_t id, double value)>;
    using Reread = std::function<std::vector<DriverControl>()>;
    TFRM_VideoSource(const std::vector<DriverControl>& controls, Apply apply, Reread reread = {},
                     QWidget* parent = nullptr);

    // A page of the driver's own beside the settings ("Réglages").
    void addPage(QWidget* page, const QString& title);

private:
    void addSlider(QGridLayout* grid, int row, const DriverControl& c);
    void addMenu(QGridLayout* grid, int row, const DriverControl& c);
    void changed(const DriverControl& c, double value);
    void showControl(const DriverControl& c);
    Apply apply_;
    Reread reread_;
    QVBoxLayout* layout_;
    QWidget* settings_;
    QTabWidget* PGC_Source = nullptr;
};

} // namespace velumbra
