#pragma once
#include "core/LanguageTable.h"
#include "telescope/Autoguider.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;

namespace velumbra {

class GuideGraph;
class TNumInp;

// "Autoguidage": the last correction (θ, and per axis the pixel error, the
// direction and length of the last timed move), on top of the other
// windows. While the mount's link is up, holding an arrow key moves the
// mount and releasing it stops that direction: Left East, Right West, Up
// North, Down South. A move never outlives its key: whatever is still held
// is stopped when the window closes, hides or loses the keyboard, since the
// key's release then goes elsewhere. Closing it tells onClosed (the
// preferences' "Afficher activité" is unchecked).
class TFRM_Prg_Suivi : public QWidget, public GuideView {
    Q_OBJECT
public:
    TFRM_Prg_Suivi(MountRequests& mount, std::function<bool()> linkUp, QWidget* parent = nullptr);

    // EDT_Sens_Erreur, TNI_TR_AD, TNI_TR_Dec.
    void showCorrection(const Correction& c) override;
    // The live graph of the run's corrections, RA and Dec with their RMS.
    void showTrace(const GuideTrace& trace) override;
    void setTexts(const NamedTexts* texts);
    // EDT_Dir_AD / EDT_Duree_AD or EDT_Dir_Dec / EDT_Duree_Dec: a timed move sent.
    void showAxisMove(Axis axis, const QString& direction, int durationMs);

    std::function<void()> onClosed;
    // The calibrated speeds, arc seconds per second: West, East, North, South.
    std::function<std::array<double, 4>()> speedsSource;
    // LBL_Vitesses: the speeds as they are now, three digits each.
    void showSpeeds();

    QLineEdit* EDT_Sens_Erreur = nullptr;
    QLineEdit* EDT_Dir_AD = nullptr;
    QLineEdit* EDT_Dir_Dec = nullptr;
    TNumInp* TNI_TR_AD = nullptr;
    TNumInp* TNI_TR_Dec = nullptr;
    QLineEdit* EDT_Duree_AD = nullptr;
    QLineEdit* EDT_Duree_Dec = nullptr;
    GuideGraph* PBX_Graphe_Guidage = nullptr;
    QLabel* LBL_Vitesses = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool arrowDirection(int key, MoveDirection& d) const;
    bool linkIsUp() const { return linkUp_ && linkUp_(); }
    void releaseAll();

    MountRequests& mount_;
    const NamedTexts* texts_ = &NamedTexts::builtIn();
    std::function<bool()> linkUp_;
    std::array<bool, 4> held_{}; // the arrows whose move runs, by direction
};

} // namespace velumbra
