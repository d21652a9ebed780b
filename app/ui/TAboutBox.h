#pragma once
#include <QDialog>

namespace velumbra {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

} // namespace velumbra
