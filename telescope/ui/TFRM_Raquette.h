#pragma once
#include "core/LanguageTable.h"
#include "telescope/Autofocus.h"
#include "telescope/HandPaddle.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace velumbra {

class Mount;
class Pause;
class TNumInp;

// "Telescope": the on-screen hand controller. Moves the mount while a
// direction button is held, chooses the LX200 rate, reads the position,
// slews to a catalogue object or a planet, drives the focuser and runs the
// autofocus on the focus measure's widths.
//
// A move never outlives its button: whatever is still held is stopped when
// the window loses the activation, is hidden or closes, even if the button's
// own release never comes.
class TFRM_Raquette : public QWidget, private AutofocusLinks {
    Q_OBJECT
public:
    TFRM_Raquette(Mount& mount, Pause& pause, QWidget* parent = nullptr);
    ~TFRM_Raquette() override;

    // Unchecks the main window's CKB_Autoguidage.
    std::function<void()> endAutoguiding;
    // CKB_MAP checked or unchecked, with its click handler.
    std::function<void(bool on)> onFocusMeasure;
    // The focus threshold held at "Auto" while the autofocus runs (true),
    // the user's own choice given back (false).
    std::function<void(bool on)> onAutoThreshold;
    // The preferences' autofocus group as it is now.
    std::function<AutofocusSettings()> autofocusSettings;
    // A line for the main window's message panel.
    std::function<void(const QString&)> onMessage;

    // The interface choice: the rates, the position query and the GOTO
    // group only speak LX200.
    void setLx200Controls(bool enabled);
    // The INDI mount's controls: the position (read, and followed during a
    // slew) and the GOTO to typed coordinates.
    void setIndiControls(bool enabled);
    // The chosen language's messages (GOTO replies, the autofocus's ends).
    void setTexts(const NamedTexts* texts);
    void setTexts(const NamedTexts& texts) { setTexts(&texts); }

    // What the focus measure hands its widths to.
    Autofocus& autofocus() { return autofocus_; }
    HandPaddle& paddle() { return paddle_; }

    void BTN_Position_ActuelleClick();
    void BTN_GOTOClick();
    void BTN_Goto_CoordClick();
    void BTN_Demarrer_AutofocusClick();
    void BTN_Arreter_AutofocusClick();
    void TMR_AutofocusTimer();
    // While a slew runs: the position read again; the timer stops when the
    // mount says the slew has ended.
    void TMR_PositionTimer();
    static constexpr int kPositionPollMs = 2000;
    static constexpr int kPositionPollsMax = 300; // ten minutes: no slew lasts longer
    static constexpr int kIndiPositionPollMs = 500; // the INDI mount tells when its slew ends

    QPushButton *BTN_N, *BTN_NE, *BTN_E, *BTN_SE, *BTN_S, *BTN_SW, *BTN_W, *BTN_NW;
    QPushButton* BTN_Stop;
    QRadioButton *RDB_Guide, *RDB_Cntr, *RDB_Find, *RDB_Slew;
    QPushButton* BTN_Position_Actuelle;
    QLineEdit* EDT_Position_Actuelle_AR;
    QLineEdit* EDT_Position_Actuelle_Dec;
    QRadioButton *RDB_NGC, *RDB_Messier, *RDB_Etoile, *RDB_Planete;
    TNumInp* TNI_Numero;
    QComboBox* CBX_Planete;
    QPushButton* BTN_GOTO;
    QLineEdit* EDT_Resultat;
    QLineEdit* EDT_Goto_AR;
    QLineEdit* EDT_Goto_Dec;
    QPushButton* BTN_Goto_Coord;
    QLabel* LBL_Goto_Resultat;
    QPushButton *BTN_Focus_In, *BTN_Focus_In_Fast, *BTN_Focus_Out, *BTN_Focus_Out_Fast;
    QRadioButton *RDB_AF_Fin, *RDB_AF_Rapide;
    QPushButton *BTN_Demarrer_Autofocus, *BTN_Arreter_Autofocus;
    QProgressBar* GAUGE_Autofocus;
    QTimer* TMR_Autofocus;
    // Follows the mount's position while it slews.
    QTimer* TMR_Position;

protected:
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildDirections();
    QWidget* buildRates();
    QWidget* buildPosition();
    QWidget* buildGoto();
    QWidget* buildGotoCoordinates();
    bool showIndiPosition();
    QWidget* buildFocuser();
    QWidget* buildAutofocus();
    QPushButton* heldButton(const char* name, const char* caption, PaddleButton b);
    Catalogue catalogue() const;

    // AutofocusLinks
    void focuser_move(int direction, bool fast) override;
    void focuser_stop(int direction) override;
    void startMoveTimer(int ms) override;
    void stopMoveTimer() override;
    void setFocusMeasure(bool on) override;
    void holdAutoThreshold(bool on) override;
    void showAutofocus(bool running, int gauge) override;
    void report(const QString& text) override;

    Mount& mount_;
    const NamedTexts* texts_ = &NamedTexts::builtIn();
    bool lx200Controls_ = true;
    bool indiControls_ = false;
    int positionGraceTicks_ = 0; // ticks the slew may take to show as begun
    bool gotoUnderWay_ = false;
    int positionPolls_ = 0;
    HandPaddle paddle_;
    Autofocus autofocus_{*this};
};

} // namespace velumbra
