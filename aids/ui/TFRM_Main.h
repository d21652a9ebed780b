#pragma once
#include "aids/PolarAlignment.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace velumbra {

class MessageSink;
class OperationSequencer;
class TNumInp;

// "Aide à la mise en station": the Bigourdan and King procedures, their
// results and the rectification of the mount's screw radius. The window
// shows what the two measurements compute; the sequencer runs them.
class TFRM_Main : public QWidget, private PolarAlignmentView {
    Q_OBJECT
public:
    TFRM_Main(OperationSequencer& sequencer, MessageSink& messages, QWidget* parent = nullptr);
    ~TFRM_Main() override;

    // The mount, optics and main-window values the procedures read; the
    // window adds its own star position and declination.
    std::function<PolarSettings()> settingsSource;
    // The language of the step instructions; never null.
    const NamedTexts* texts = &NamedTexts::builtIn();
    // "Appliquer la modification": the new radius of an axis.
    std::function<void(AdjustAxis, double)> applyRadius;

    // The menu entry: the window on its first page.
    void showParameters();

    BigourdanStep& bigourdan() { return bigourdan_; }
    KingStep& king() { return king_; }

    void BTN_Demar_MESClick();
    // "Nouveau rayon ...": the caption names the axis chosen for correction
    // (after a language gives it anew, too).
    void showRadiusAxis();
    void BTN_Demarre_KingClick();
    void BTN_PauseClick();
    void BTN_Premiere_CorrectionClick();
    void BTN_CalculerClick();
    void BTN_Applique_ModifClick();

    QTabWidget* PGC_Methode = nullptr;
    QTabWidget* PGC_Bigourdan = nullptr;
    QRadioButton* RDB_Sud = nullptr;
    QRadioButton* RDB_EstOuest = nullptr;
    TNumInp* TNI_Decl_Etoile = nullptr;
    QPushButton* BTN_Demar_MES = nullptr;
    QPushButton* BTN_Orientation = nullptr;
    QPushButton* BTN_Quitter = nullptr;
    // Bigourdan results
    TNumInp* TNI_Duree_Pose = nullptr;
    TNumInp* TNI_Long_Trainee_X = nullptr; // hidden
    TNumInp* TNI_Long_Trainee_Y = nullptr; // hidden
    QLineEdit* EDT_AngleTraineeNS = nullptr;
    QLineEdit* EDT_AngleTraineeEO = nullptr;
    QLineEdit* EDT_Erreur_polaire = nullptr;
    QLineEdit* EDT_Correct = nullptr;
    QLineEdit* EDT_Deplacement = nullptr;
    QLineEdit* EDT_Tours = nullptr;
    TNumInp* TNI_Erreur_Vitesse = nullptr;
    QPushButton* BTN_Premiere_Correction = nullptr;
    // Rectification
    QRadioButton* RDB_Correct_Azimuth = nullptr;
    QRadioButton* RDB_Correct_Altitude = nullptr;
    QLabel* LBL_NouveauRayon = nullptr;
    TNumInp* TNI_Premiere_Correction = nullptr;
    TNumInp* TNI_Correction_Effective = nullptr;
    TNumInp* TNI_Nouveau_Rayon = nullptr;
    QPushButton* BTN_Calculer = nullptr;
    QPushButton* BTN_Applique_Modif = nullptr;
    // King
    QPushButton* BTN_Demarre_King = nullptr;
    QPushButton* BTN_Pause = nullptr;
    TNumInp* TNI_Duree_Pose_King = nullptr;
    QLineEdit* EDT_CorrectKingEO = nullptr;
    QLineEdit* EDT_CorrectKingNS = nullptr;
    QLineEdit* EDT_DistanceX_DMS = nullptr;
    QLineEdit* EDT_DistanceY_DMS = nullptr;
    QLineEdit* EDT_Deplacement_EstOuest = nullptr;
    QLineEdit* EDT_Deplacement_NordSud = nullptr;
    QLineEdit* EDT_Deplacement_EstOuest_Tours = nullptr;
    QLineEdit* EDT_Deplacement_NordSud_Tours = nullptr;

signals:
    // Tracking on with edge detection, the result window out of the way.
    void runPrepared();
    // Closing gives the result window back.
    void closed();
    // "Determiner l'orientation de la camera".
    void orientationRequested();
    // The King figure, to draw on the live image of this frame.
    void kingDrawn(const velumbra::KingDrawing& drawing);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildParameters();
    QWidget* buildCorrections();
    QWidget* buildRectification();
    QWidget* buildKing();
    void startProcedure(Operation op);

    PolarSettings polarSettings() const override;
    void bigourdanStarted() override;
    void kingStarted() override;
    void showBigourdan(const BigourdanFrame& frame) override;
    void showKing(const KingResult& result, const KingDrawing& drawing) override;
    void kingPauseEnded() override;

    OperationSequencer& sequencer_;
    MessageSink& messages_;
    BigourdanStep bigourdan_{*this};
    KingStep king_{*this};
    BigourdanDrift drift_; // the last drift measured, for "Calculer"
};

} // namespace velumbra
