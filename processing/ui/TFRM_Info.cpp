#include "processing/ui/TFRM_Info.h"
#include "processing/ImageCore.h"
#include "widgets/Named.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <string>
#include <QVBoxLayout>

namespace velumbra {
namespace {

QLineEdit* readOnly(const char* name, int width = 56)
{
    auto* e = named(new QLineEdit, name);
    e->setReadOnly(true);
    e->setFixedWidth(width);
    return e;
}

QString percent(int count, int pixels)
{
    return pixels > 0 ? QString::number(double(count) / pixels * 100.0, 'f', 7) : QString();
}

} // namespace

TFRM_Info::TFRM_Info(ImageCore& core, QWidget* parent) : QWidget(parent, Qt::Window), core_(core)
{
    setObjectName(QStringLiteral("TFRM_Info"));
    setWindowTitle(QStringLiteral("Info"));
    auto* v = new QVBoxLayout(this);

    auto* pixel = new QGridLayout;
    EDT_X = readOnly("EDT_X");
    EDT_Y = readOnly("EDT_Y");
    EDT_R = readOnly("EDT_R", 40);
    EDT_V = readOnly("EDT_V", 40);
    EDT_B = readOnly("EDT_B", 40);
    const std::pair<const char*, QLineEdit*> fields[] = {{"X", EDT_X}, {"Y", EDT_Y}, {"R", EDT_R},
                                                         {"V", EDT_V}, {"B", EDT_B}};
    int col = 0;
    for (auto [caption, field] : fields) {
        pixel->addWidget(named(new QLabel(QString::fromLatin1(caption)), (std::string("LBL_Pixel_") + caption).c_str()), 0, col++);
        pixel->addWidget(field, 0, col++);
    }
    pixel->setColumnStretch(col, 1);
    v->addLayout(pixel);

    CKB_Histogramme = named(new QCheckBox(QStringLiteral("Histogramme")), "CKB_Histogramme");
    v->addWidget(CKB_Histogramme);
    auto* chart = new QHBoxLayout;
    LBL_YMax = named(new QLabel, "LBL_YMax");
    LBL_YMax->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LBL_YMax->setMinimumWidth(56);
    Img_Histogramme = named(new QLabel, "Img_Histogramme");
    picture_ = QImage(256, 101, QImage::Format_RGB32);
    picture_.fill(Qt::black);
    Img_Histogramme->setPixmap(QPixmap::fromImage(picture_));
    Img_Histogramme->setFixedSize(256, 101);
    Img_Histogramme->setMouseTracking(true);
    Img_Histogramme->installEventFilter(this);
    chart->addWidget(LBL_YMax);
    chart->addWidget(Img_Histogramme);
    chart->addStretch();
    v->addLayout(chart);

    auto* scale = new QHBoxLayout;
    scale->addWidget(named(new QLabel(QStringLiteral("Echelle :")), "LBL_Echelle"));
    SCB_Scale_Histo = named(new QScrollBar(Qt::Horizontal), "SCB_Scale_Histo");
    SCB_Scale_Histo->setRange(100, 100000);
    SCB_Scale_Histo->setValue(100);
    scale->addWidget(SCB_Scale_Histo, 1);
    v->addLayout(scale);

    auto* level = new QGridLayout;
    EDT_Niveau = readOnly("EDT_Niveau", 40);
    EDT_Nbre_R = readOnly("EDT_Nbre_R", 70);
    EDT_Nbre_V = readOnly("EDT_Nbre_V", 70);
    EDT_Nbre_B = readOnly("EDT_Nbre_B", 70);
    EDT_Prc_R = readOnly("EDT_Prc_R", 90);
    EDT_Prc_V = readOnly("EDT_Prc_V", 90);
    EDT_Prc_B = readOnly("EDT_Prc_B", 90);
    level->addWidget(named(new QLabel(QStringLiteral("Niveau")), "LBL_Niveau"), 0, 0);
    level->addWidget(EDT_Niveau, 0, 1);
    level->addWidget(named(new QLabel(QStringLiteral("Nombre")), "LBL_Nombre"), 1, 0);
    level->addWidget(EDT_Nbre_R, 1, 1);
    level->addWidget(EDT_Nbre_V, 1, 2);
    level->addWidget(EDT_Nbre_B, 1, 3);
    level->addWidget(new QLabel(QStringLiteral("%")), 2, 0);
    level->addWidget(EDT_Prc_R, 2, 1);
    level->addWidget(EDT_Prc_V, 2, 2);
    level->addWidget(EDT_Prc_B, 2, 3);
    level->setColumnStretch(4, 1);
    v->addLayout(level);

    connect(CKB_Histogramme, &QCheckBox::toggled, this, [this](bool on) { core_.controls.CKB_Histogramme = on; });
    connect(SCB_Scale_Histo, &QScrollBar::valueChanged, this, [this] { redraw(); });
}

void TFRM_Info::pointAt(Point at, int source, bool readout)
{
    infoPos_ = at;
    infoSource_ = source;
    if (readout) pixelReadout();
}

void TFRM_Info::pixelReadout()
{
    EDT_X->setText(QString::number(infoPos_.x));
    EDT_Y->setText(QString::number(infoPos_.y));
    const ImageBuffers& b = core_.buffers;
    const bool result = infoSource_ == 3;
    const QImage& image = result ? b.result : b.frameSlots[0];
    // A read outside the shown image leaves the colour as it was.
    const std::optional<QRgb> c = pixelAt(image, infoPos_.x, infoPos_.y, result ? b.resultWidth : b.imageWidth,
                                          result ? b.resultHeight : b.imageHeight);
    if (!c) return;
    EDT_R->setText(QString::number(qRed(*c)));
    EDT_V->setText(QString::number(qGreen(*c)));
    EDT_B->setText(QString::number(qBlue(*c)));
}

void TFRM_Info::histogramCounted(const Histogram& h)
{
    last_ = h;
    if (h.pixels > 0) SCB_Scale_Histo->setMaximum(std::max(100, h.pixels));
    redraw();
}

void TFRM_Info::redraw()
{
    const int scale = SCB_Scale_Histo->value();
    LBL_YMax->setText(QString::number(histogramTop(last_.pixels, scale)));
    HistogramMarks marks;
    marks.red = EDT_R->text().isEmpty() ? -1 : EDT_R->text().toInt();
    marks.green = EDT_V->text().isEmpty() ? -1 : EDT_V->text().toInt();
    marks.blue = EDT_B->text().isEmpty() ? -1 : EDT_B->text().toInt();
    if (core_.controls.CKB_Satur) marks.saturation = saturationLevel(core_.controls.TNI_Seuil_Satur);
    drawHistogram(picture_, last_, scale, marks);
    Img_Histogramme->setPixmap(QPixmap::fromImage(picture_));
}

void TFRM_Info::histogramAt(int level)
{
    if (level < 0 || level > 255) return;
    EDT_Niveau->setText(QString::number(level));
    const auto l = size_t(level);
    EDT_Nbre_R->setText(QString::number(last_.red[l]));
    EDT_Nbre_V->setText(QString::number(last_.green[l]));
    EDT_Nbre_B->setText(QString::number(last_.blue[l]));
    EDT_Prc_R->setText(percent(last_.red[l], last_.pixels));
    EDT_Prc_V->setText(percent(last_.green[l], last_.pixels));
    EDT_Prc_B->setText(percent(last_.blue[l], last_.pixels));
}

bool TFRM_Info::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Img_Histogramme && event->type() == QEvent::MouseMove)
        histogramAt(static_cast<QMouseEvent*>(event)->position().toPoint().x());
    return QWidget::eventFilter(watched, event);
}

void TFRM_Info::closeEvent(QCloseEvent* event)
{
    CKB_Histogramme->setChecked(false);
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace velumbra
