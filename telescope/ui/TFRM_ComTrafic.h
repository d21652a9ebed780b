#pragma once
#include <QWidget>
#include <functional>

class QPlainTextEdit;

namespace velumbra {

class TrafficLog;

// "Comm Trafic": the traffic log, on top of the other windows. Checking
// "Comm. Traffic." shows it (CKB_Historique_ComClick); closing it unchecks
// that box through onClosed. Its lines survive hiding.
class TFRM_ComTrafic : public QWidget {
    Q_OBJECT
public:
    explicit TFRM_ComTrafic(TrafficLog& log, QWidget* parent = nullptr);
    ~TFRM_ComTrafic() override;

    void CKB_Historique_CommClick(bool checked) { setVisible(checked); }
    std::function<void()> onClosed;

    QPlainTextEdit* MEMO_Historique_Comm;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TrafficLog& log_;
};

} // namespace velumbra
