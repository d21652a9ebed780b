#pragma once
#include "processing/ImageCore.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace velumbra {

// "Action à effectuer lors d'une detection": what a detection starts once.
// A sound file that does not exist unchecks "Jouer un fichier son".
class TFRM_Prg_Action : public QWidget {
    Q_OBJECT
public:
    explicit TFRM_Prg_Action(ImageCore& core, QWidget* parent = nullptr);

    QCheckBox* CKB_Action_Pose_longue = nullptr;
    QCheckBox* CKB_Action_Sauvegarder = nullptr;
    QCheckBox* CKB_Jouer_un_son = nullptr;
    QLineEdit* EDT_Son_a_jouer = nullptr;
    QPushButton* BTN_ChargeSon = nullptr;
    QPushButton* BTN_Ok = nullptr;

    // The open dialog; gets the field's text, returns the chosen file or
    // nothing on cancel. Tests replace it.
    std::function<QString(const QString&)> chooseSoundFile;

    void BTN_ChargeSonClick();

private:
    void store();
    void uncheckSoundWithoutFile();

    ImageCore& core_;
};

} // namespace velumbra
