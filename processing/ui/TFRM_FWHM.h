#pragma once
#include "processing/FocusCues.h"

#include <QWidget>

class QFrame;
class QLabel;

namespace velumbra {

class TNumInp;

// The large indicator "Mise au point": the focus width or the quality in
// large figures, and three lamps (red worse, orange better, green reached)
// that can be read from the telescope.
class TFRM_FWHM : public QWidget, public CueDisplay {
    Q_OBJECT
public:
    explicit TFRM_FWHM(QWidget* parent = nullptr);

    // "GROS" checked: the label says what is shown, the lamps start silver.
    void showFor(const QString& caption);

    void showLargeValue(double value) override;
    void setLamps(const CueLamps& lamps) override;
    CueLamps lamps() const;

    QLabel* LBL_GROS_FWHM = nullptr;
    TNumInp* TNI_GROS_FWHM = nullptr;
    QFrame* PNL_Rouge = nullptr;
    QFrame* PNL_Orange = nullptr;
    QFrame* PNL_Vert = nullptr;

signals:
    // Closing the window unchecks both "GROS" boxes.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace velumbra
