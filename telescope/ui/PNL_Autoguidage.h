#pragma once
#include <QFrame>

class QCheckBox;
class QPushButton;

namespace velumbra {

// The main window's guiding row, under the tracking panel: "Autoguidage"
// on and off, "Def." for its preferences, "Decal.+1" for the next offset.
class PNL_Autoguidage : public QFrame {
    Q_OBJECT
public:
    explicit PNL_Autoguidage(QWidget* parent = nullptr);

    QCheckBox* CKB_Autoguidage = nullptr;
    QPushButton* BTN_Param_Autoguidage = nullptr;
    QPushButton* BTN_Decaler = nullptr;
};

} // namespace velumbra
