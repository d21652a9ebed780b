#include "acquisition/ui/TFRM_VideoSource.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

namespace velumbra {

TFRM_VideoSource::TFRM_VideoSource(const std::vector<DriverControl>& controls, Apply apply, QWidget* parent)
    : QDialog(parent), apply_(std::move(apply))
{
    setObjectName(QStringLiteral("TFRM_VideoSource"));
    setWindowTitle(QStringLiteral("Source video"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    int row = 0;
    for (const DriverControl& c : controls) {
        if (c.kind == DriverControl::Kind::CheckBox) {
            auto* box = new QCheckBox(c.name, this);
            box->setObjectName(QStringLiteral("CKB_Control_%1").arg(c.id));
            box->setChecked(c.value != 0);
            const uint32_t id = c.id;
            connect(box, &QCheckBox::toggled, this, [this, id](bool on) { apply_(id, on ? 1.0 : 0.0); });
            grid->addWidget(box, row, 0, 1, 3);
        } else {
            addSlider(grid, row, c);
        }
        ++row;
    }
    if (controls.empty()) grid->addWidget(new QLabel(QStringLiteral("Aucun réglage"), this), 0, 0);
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Fermer"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void TFRM_VideoSource::addSlider(QGridLayout* grid, int row, const DriverControl& c)
{
    grid->addWidget(new QLabel(c.name, this), row, 0);
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(QStringLiteral("SCB_Control_%1").arg(c.id));
    const double step = c.step > 0 ? c.step : 1.0;
    const int steps = int(std::lround((c.maximum - c.minimum) / step));
    slider->setRange(0, std::max(steps, 0));
    slider->setValue(int(std::lround((c.value - c.minimum) / step)));
    slider->setMinimumWidth(180);
    grid->addWidget(slider, row, 1);
    auto* field = new TNumInp(this);
    field->setObjectName(QStringLiteral("TNI_Control_%1").arg(c.id));
    field->setDatatype(TDataType::dtDouble);
    field->setRange(c.minimum, c.maximum);
    field->setValue(c.value);
    field->setMaximumWidth(80);
    grid->addWidget(field, row, 2);

    const uint32_t id = c.id;
    const double minimum = c.minimum;
    connect(slider, &QSlider::valueChanged, this, [this, id, minimum, step, field](int position) {
        const double v = minimum + position * step;
        field->setValue(v);
        apply_(id, v);
    });
    auto fromField = [this, id, minimum, step, slider, field] {
        const double v = double(field->Value());
        const QSignalBlocker block(slider);
        slider->setValue(int(std::lround((v - minimum) / step)));
        apply_(id, v);
    };
    connect(field, &TNumInp::exited, this, fromField);
    connect(field, &TNumInp::enterPressed, this, [field, fromField] {
        if (field->commitText()) fromField();
    });
}

} // namespace velumbra
