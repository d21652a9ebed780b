#pragma once
#include "acquisition/VideoDriver.h"

#include <QDialog>
#include <functional>

class QGridLayout;

namespace velumbra {

// "Source video": the driver's settings as sliders and check boxes; each
// change is applied at once.
class TFRM_VideoSource : public QDialog {
    Q_OBJECT
public:
    using Apply = std::function<void(uint32_t id, double value)>;
    TFRM_VideoSource(const std::vector<DriverControl>& controls, Apply apply, QWidget* parent = nullptr);

private:
    void addSlider(QGridLayout* grid, int row, const DriverControl& c);
    Apply apply_;
};

} // namespace velumbra
