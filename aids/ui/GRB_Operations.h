#pragma once
#include "aids/OperationSequencer.h"

#include <QGroupBox>
#include <functional>

class QLabel;
class QPushButton;

namespace velumbra {

// The main window's group "Operations": what runs, "Executer" and
// "Arrêter". It owns the operation sequencer.
class GRB_Operations : public QGroupBox, private OperationView {
    Q_OBJECT
public:
    GRB_Operations(const Clock& clock, MessageSink& messages, QWidget* parent = nullptr);

    OperationSequencer& sequencer() { return sequencer_; }

    // What "Executer" captures: the star's position and the frame size.
    struct Capture {
        Point starPos;
        int imageWidth = 0;
        int imageHeight = 0;
    };
    std::function<Capture()> capture;

    QLabel* LBL_Action = nullptr;
    QPushButton* BTN_Executer = nullptr;
    QPushButton* BTN_Abort = nullptr;

signals:
    // The reticle, circles and cross are to be switched on.
    void overlaysRequested();
    void operationsMenuEnabled(bool on);

private:
    void setActionLabel(const QString& text) override;
    void setExecuteEnabled(bool on) override;
    void setAbortEnabled(bool on) override;
    void setOperationsMenuEnabled(bool on) override { emit operationsMenuEnabled(on); }
    void overlaysOn() override { emit overlaysRequested(); }

    OperationSequencer sequencer_;
};

} // namespace velumbra
