#pragma once
#include "acquisition/VideoDriver.h"

#include <QDialog>
#include <optional>

class QListWidget;

namespace velumbra {

// "Format video": the driver's pixel formats and frame sizes.
class TFRM_VideoFormat : public QDialog {
    Q_OBJECT
public:
    explicit TFRM_VideoFormat(QWidget* parent = nullptr);
    void setChoices(const std::vector<FormatChoice>& choices, const FormatChoice& current);
    std::optional<FormatChoice> selected() const;
    QListWidget* LBX_Formats = nullptr;

private:
    std::vector<FormatChoice> choices_;
};

} // namespace velumbra
