#pragma once
#include <QDialog>

class QComboBox;

namespace velumbra {

// "Pilote de capture": choice of the capture driver.
class TFRM_Pilote : public QDialog {
    Q_OBJECT
public:
    explicit TFRM_Pilote(QWidget* parent = nullptr);
    // Fills the list; the first entry is preselected when there is one.
    void setEntries(const QStringList& entries);
    int selectedIndex() const;
    QComboBox* ComboBox1 = nullptr;
};

} // namespace velumbra
