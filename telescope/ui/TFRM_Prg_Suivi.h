#pragma once
#include "telescope/Autoguider.h"

#include <QWidget>
#include <functional>

class QLineEdit;

namespace velumbra {

class TNumInp;

// "Autoguidage": the last correction (θ, and per axis the pixel error, the
// direction and length of the last timed move), on top of the other
// windows. While the mount's link is up, holding an arrow key moves the
// mount and releasing it stops that direction: Left East, Right West, Up
// North, Down South. Closing it tells onClosed (the preferences' "Afficher
// activité" is unchecked).
class TFRM_Prg_Suivi : public QWidget, public GuideView {
    Q_OBJECT
public:
    TFRM_Prg_Suivi(MountRequests& mount, std::function<bool()> linkUp, QWidget* parent = nullptr);

    // EDT_Sens_Erreur, TNI_TR_AD, TNI_TR_Dec.
    void showCorrection(const Correction& c) override;
    // EDT_Dir_AD / EDT_Duree_AD or EDT_Dir_Dec / EDT_Duree_Dec: a timed move sent.
    void showAxisMove(Axis axis, const QString& direction, int durationMs);

    std::function<void()> onClosed;

    QLineEdit* EDT_Sens_Erreur = nullptr;
    QLineEdit* EDT_Dir_AD = nullptr;
    QLineEdit* EDT_Dir_Dec = nullptr;
    TNumInp* TNI_TR_AD = nullptr;
    TNumInp* TNI_TR_Dec = nullptr;
    QLineEdit* EDT_Duree_AD = nullptr;
    QLineEdit* EDT_Duree_Dec = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool arrowDirection(int key, MoveDirection& d) const;

    MountRequests& mount_;
    std::function<bool()> linkUp_;
};

} // namespace velumbra
