#include "acquisition/ui/TFRM_VideoSource.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

namespace velumbra {
namespace {

// A control's widget: by the language file's key for the program's own
// controls, else by the camera's number for it.
QString controlName(const char* prefix, const DriverControl& c)
{
    return QString::fromLatin1(prefix) + (c.key.isEmpty() ? QStringLiteral("Control_%1").arg(c.id) : c.key);
}

} // namespace

TFRM_VideoSource::TFRM_VideoSource(const std::vector<DriverControl>& controls, Apply apply, Reread reread,
                                   QWidget* parent)
    : QDialog(parent), apply_(std::move(apply)), reread_(std::move(reread))
{
    setObjectName(QStringLiteral("TFRM_VideoSource"));
    setWindowTitle(QStringLiteral("Source video"));
    layout_ = new QVBoxLayout(this);
    settings_ = new QWidget(this);
    settings_->setObjectName(QStringLiteral("TBS_Reglages"));
    auto* grid = new QGridLayout(settings_);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    for (const DriverControl& c : controls) {
        if (c.kind == DriverControl::Kind::CheckBox) {
            auto* box = new QCheckBox(c.name, this);
            box->setObjectName(controlName("CKB_", c));
            box->setChecked(c.value != 0);
            connect(box, &QCheckBox::toggled, this, [this, c](bool on) { changed(c, on ? 1.0 : 0.0); });
            grid->addWidget(box, row, 0, 1, 3);
        } else if (c.kind == DriverControl::Kind::Menu) {
            addMenu(grid, row, c);
        } else {
            addSlider(grid, row, c);
        }
        showControl(c);
        ++row;
    }
    if (controls.empty()) {
        auto* none = new QLabel(QStringLiteral("Aucun réglage"), this);
        none->setObjectName(QStringLiteral("LBL_Aucun_Reglage"));
        grid->addWidget(none, 0, 0);
    }
    layout_->addWidget(settings_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Fermer"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("BTN_Fermer"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout_->addWidget(buttons);
}

void TFRM_VideoSource::addPage(QWidget* page, const QString& title)
{
    if (!PGC_Source) {
        PGC_Source = new QTabWidget(this);
        PGC_Source->setObjectName(QStringLiteral("PGC_Source"));
        delete layout_->replaceWidget(settings_, PGC_Source); // the old item is ours to free
        PGC_Source->addTab(settings_, QStringLiteral("Réglages"));
        // A page may change what the settings show (exposure, seeing): they are read again on return.
        connect(PGC_Source, &QTabWidget::currentChanged, this, [this](int index) {
            if (index != 0 || !reread_) return;
            for (const DriverControl& c : reread_()) showControl(c);
        });
    }
    page->setParent(PGC_Source);
    PGC_Source->addTab(page, title);
}

void TFRM_VideoSource::changed(const DriverControl& c, double value)
{
    apply_(c.id, value);
    // Switches (automatic exposure, white balance...) make others active or not.
    const bool mayChangeOthers = c.updatesOthers || c.kind != DriverControl::Kind::Slider;
    if (!mayChangeOthers || !reread_) return;
    for (const DriverControl& other : reread_()) showControl(other);
}

// Enabled state and value of one control's widgets, without applying anything.
void TFRM_VideoSource::showControl(const DriverControl& c)
{
    const QString id = QString::number(c.id);
    for (QWidget* w : {findChild<QWidget*>(QStringLiteral("LBL_Control_") + id),
                       findChild<QWidget*>(QStringLiteral("SCB_Control_") + id),
                       findChild<QWidget*>(QStringLiteral("TNI_Control_") + id),
                       findChild<QWidget*>(QStringLiteral("CKB_Control_") + id),
                       findChild<QWidget*>(QStringLiteral("CBX_Control_") + id)})
        if (w) w->setEnabled(c.enabled);
    if (auto* box = findChild<QCheckBox*>(QStringLiteral("CKB_Control_") + id)) {
        const QSignalBlocker block(box);
        box->setChecked(c.value != 0);
    }
    if (auto* list = findChild<QComboBox*>(QStringLiteral("CBX_Control_") + id)) {
        const QSignalBlocker block(list);
        list->setCurrentIndex(list->findData(int(c.value)));
    }
    auto* slider = findChild<QSlider*>(QStringLiteral("SCB_Control_") + id);
    auto* field = findChild<TNumInp*>(QStringLiteral("TNI_Control_") + id);
    if (slider && field && !field->hasFocus()) {
        const double step = c.step > 0 ? c.step : 1.0;
        const QSignalBlocker block(slider);
        slider->setValue(int(std::lround((c.value - c.minimum) / step)));
        field->setValue(c.value);
    }
}

void TFRM_VideoSource::addMenu(QGridLayout* grid, int row, const DriverControl& c)
{
    auto* label = new QLabel(c.name, this);
    label->setObjectName(controlName("LBL_", c));
    grid->addWidget(label, row, 0);
    auto* list = new QComboBox(this);
    list->setObjectName(c.key.isEmpty() ? QStringLiteral("CBX_Control_%1").arg(c.id) : QStringLiteral("CBX_") + c.key);
    for (const DriverControl::Item& item : c.items) list->addItem(item.label, item.value);
    list->setCurrentIndex(list->findData(int(c.value)));
    grid->addWidget(list, row, 1, 1, 2);
    connect(list, &QComboBox::currentIndexChanged, this, [this, c, list](int index) {
        if (index >= 0) changed(c, list->itemData(index).toInt());
    });
}

void TFRM_VideoSource::addSlider(QGridLayout* grid, int row, const DriverControl& c)
{
    auto* label = new QLabel(c.name, this);
    label->setObjectName(controlName("LBL_", c));
    grid->addWidget(label, row, 0);
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

    const double minimum = c.minimum;
    connect(slider, &QSlider::valueChanged, this, [this, c, minimum, step, field](int position) {
        const double v = minimum + position * step;
        field->setValue(v);
        changed(c, v);
    });
    auto fromField = [this, c, minimum, step, slider, field] {
        const double v = double(field->Value());
        const QSignalBlocker block(slider);
        slider->setValue(int(std::lround((v - minimum) / step)));
        changed(c, v);
    };
    connect(field, &TNumInp::exited, this, fromField);
    connect(field, &TNumInp::enterPressed, this, [field, fromField] {
        if (field->commitText()) fromField();
    });
}

} // namespace velumbra
