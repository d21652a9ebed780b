#include "processing/ui/TFRM_Equal.h"
#include "processing/ImageCore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace velumbra {

TFRM_Equal::TFRM_Equal(ImageCore& core, QWidget* parent) : QWidget(parent, Qt::Tool), core_(core)
{
    setObjectName(QStringLiteral("TFRM_Equal"));
    setWindowTitle(QStringLiteral("Egaliseur"));
    auto* grid = new QGridLayout(this);
    CKB_EQ = new QCheckBox(QStringLiteral("Actif"), this);
    CKB_EQ->setObjectName(QStringLiteral("CKB_EQ"));
    grid->addWidget(CKB_EQ, 0, 0, 1, 5);
    for (int i = 0; i < EqualizerControls::kBands; ++i) {
        auto* slider = new QSlider(Qt::Vertical, this);
        slider->setObjectName(QStringLiteral("TRKB_EQ%1").arg(i + 1));
        slider->setRange(0, 100);
        slider->setValue(EqualizerControls::kNeutral);
        slider->setMinimumHeight(120);
        TRKB_EQ[size_t(i)] = slider;
        grid->addWidget(slider, 1, i);
        grid->addWidget(new QLabel(QString::number(i + 1), this), 2, i, Qt::AlignHCenter);
        connect(slider, &QSlider::valueChanged, this, [this, i](int p) { sliderChanged(i, p); });
    }
    Button1 = new QPushButton(QStringLiteral("Reset"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    grid->addWidget(Button1, 3, 0, 1, 3);

    connect(CKB_EQ, &QCheckBox::toggled, this, [this](bool on) {
        if (syncing_) return;
        core_.controls.TFRM_Equal.CKB_EQ = on;
        renderIfShown(true);
    });
    connect(Button1, &QPushButton::clicked, this, [this] {
        core_.controls.TFRM_Equal.TRKB_EQ.fill(EqualizerControls::kNeutral);
        syncFromCore();
        renderIfShown(false);
    });
    syncFromCore();
}

void TFRM_Equal::sliderChanged(int band, int position)
{
    if (syncing_) return;
    core_.controls.TFRM_Equal.TRKB_EQ[size_t(band)] = position;
    renderIfShown(false);
}

// A slider move re-renders with "Visu" on, and whenever no integration runs
// (nothing is lost by showing the new curve at once).
void TFRM_Equal::renderIfShown(bool always)
{
    if (core_.flags.loadingSettings) return;
    if (always || core_.flags.permanentView || !core_.integrator.running()) core_.integrator.renderCurrent();
}

void TFRM_Equal::syncFromCore()
{
    syncing_ = true;
    const auto& eq = core_.controls.TFRM_Equal;
    CKB_EQ->setChecked(eq.CKB_EQ);
    for (int i = 0; i < EqualizerControls::kBands; ++i) TRKB_EQ[size_t(i)]->setValue(eq.TRKB_EQ[size_t(i)]);
    syncing_ = false;
}

} // namespace velumbra
