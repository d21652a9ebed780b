#pragma once
#include "aids/PeriodicError.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QChart;
class QChartView;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QToolButton;

namespace velumbra {

class TNumInp;

// "Erreur Periodique": the star's East/West drift while the mount tracks,
// drawn point by point and, when asked, written to a text file.
class TFRM_ErrPeriod : public QWidget, private PeriodicErrorView {
    Q_OBJECT
public:
    TFRM_ErrPeriod(OperationSequencer& sequencer, MessageSink& messages, QWidget* parent = nullptr);
    ~TFRM_ErrPeriod() override;

    std::function<PolarSettings()> settingsSource;
    // The language of the step instructions; never null.
    const NamedTexts* texts = &NamedTexts::builtIn();
    // The save dialog: the chosen file name, or empty for a cancel.
    std::function<QString(const QString& start)> chooseFile;

    PeriodicErrorStep& step() { return step_; }
    int pointCount() const;

    void BTN_Demar_EPClick();

    QPushButton* BTN_Demar_EP = nullptr;
    QPushButton* BTN_Orientation = nullptr;
    QLineEdit* EDT_Senserreur = nullptr;
    TNumInp* TNI_Duree_Pose = nullptr;
    QLineEdit* EDT_AngleTraineeEO = nullptr;
    TNumInp* TNI_Erreur_Vitesse = nullptr;
    QPushButton* BTN_Reinit_Graphe = nullptr;
    QCheckBox* CKB_Fichier_EP = nullptr;
    QLineEdit* EDT_Nom_FichierPE = nullptr;
    QToolButton* BBTN_Charge_FichierPE = nullptr;
    QPushButton* BTN_Quitter = nullptr;

signals:
    void runPrepared();
    void orientationRequested();
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    PolarSettings polarSettings() const override;
    void showPeriodicError(const PeriodicErrorFrame& frame) override;
    void recordingStarted() override;
    void recordingStopped() override;

    OperationSequencer& sequencer_;
    MessageSink& messages_;
    PeriodicErrorStep step_;
    QChart* chart_ = nullptr;
    QLineSeries* series_ = nullptr;
};

} // namespace velumbra
