#pragma once
#include "acquisition/PlayControl.h"

#include <QWidget>
#include <array>

class QLineEdit;
class QPushButton;
class QToolButton;

namespace velumbra {

class VideoSource;

// "Contrôle de lecture": the buttons that step through a BMP list.
class TFRM_PlayControl : public QWidget {
    Q_OBJECT
public:
    explicit TFRM_PlayControl(VideoSource& source, QWidget* parent = nullptr);
    // Shows the buttons' state, the file name and the visibility.
    void refresh();
    QToolButton* button(PlayButton b) const { return buttons_[size_t(b)]; }

    QToolButton* SPDB_Loop = nullptr;
    QPushButton* BTN_Ajouter = nullptr;
    QLineEdit* EDT_Fichier = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    VideoSource& source_;
    std::array<QToolButton*, kPlayButtonCount> buttons_{};
};

} // namespace velumbra
