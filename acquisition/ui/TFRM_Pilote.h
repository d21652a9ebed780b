#pragma once
#include <QDialog>
#include <functional>

class QComboBox;
class QPushButton;
class QTimer;

namespace velumbra {

class PNL_Indi;

// "Pilote de capture": choice of the capture driver.
class TFRM_Pilote : public QDialog {
    Q_OBJECT
public:
    explicit TFRM_Pilote(QWidget* parent = nullptr);
    // Fills the list; the first entry is preselected when there is one.
    void setEntries(const QStringList& entries);
    int selectedIndex() const;
    QComboBox* ComboBox1 = nullptr;

    // The INDI server panel, shown under the list by the button `caption`;
    // each change of the server's devices or of the chosen camera lists the
    // drivers again through `describe` (the camera chosen in the panel is
    // then selected).
    void setIndiPanel(PNL_Indi* panel, const QString& caption, std::function<QStringList()> describe);
    QPushButton* BTN_Indi = nullptr;
    PNL_Indi* indiPanel() const { return indiPanel_; }

private:
    void describeAgain();

    PNL_Indi* indiPanel_ = nullptr;
    std::function<QStringList()> describe_;
    QTimer* describeLater_ = nullptr;
};

} // namespace velumbra
