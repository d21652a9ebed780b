#include "acquisition/ui/TFRM_VideoFormat.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace velumbra {

TFRM_VideoFormat::TFRM_VideoFormat(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFRM_VideoFormat"));
    setWindowTitle(QStringLiteral("Format video"));
    auto* layout = new QVBoxLayout(this);
    LBX_Formats = new QListWidget(this);
    LBX_Formats->setObjectName(QStringLiteral("LBX_Formats"));
    LBX_Formats->setMinimumSize(300, 200);
    layout->addWidget(LBX_Formats);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("BTN_Annuler"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(LBX_Formats, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

void TFRM_VideoFormat::setChoices(const std::vector<FormatChoice>& choices, const FormatChoice& current)
{
    choices_ = choices;
    LBX_Formats->clear();
    for (size_t i = 0; i < choices.size(); ++i) {
        const FormatChoice& c = choices[i];
        LBX_Formats->addItem(QStringLiteral("%1  %2 x %3").arg(c.description).arg(c.width).arg(c.height));
        if (c == current) LBX_Formats->setCurrentRow(int(i));
    }
}

std::optional<FormatChoice> TFRM_VideoFormat::selected() const
{
    const int row = LBX_Formats->currentRow();
    if (row < 0 || row >= int(choices_.size())) return std::nullopt;
    return choices_[size_t(row)];
}

} // namespace velumbra
