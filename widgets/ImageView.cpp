#include "widgets/ImageView.h"
#include "core/NightTint.h"

#include <QMouseEvent>
#include <QPainter>

namespace velumbra {

ImageView::ImageView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
}

void ImageView::setSource(const QImage* image, QSize shownSize)
{
    image_ = image;
    setShownSize(shownSize);
}

void ImageView::setShownSize(QSize size)
{
    if (image_) size = size.boundedTo(image_->size());
    if (size == shown_) {
        update();
        return;
    }
    shown_ = size;
    setFixedSize(shown_);
    updateGeometry();
    update();
}

void ImageView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    if (!image_ || image_->isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    const QRect r = event->rect().intersected(QRect(QPoint(0, 0), shown_));
    if (redTint_) {
        redTint(*image_, tinted_);
        p.drawImage(r, tinted_, r);
        return;
    }
    p.drawImage(r, *image_, r);
}

void ImageView::setRedTint(bool on)
{
    if (on == redTint_) return;
    redTint_ = on;
    if (!on) tinted_ = QImage();
    update();
}

void ImageView::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseReleased(event->position().toPoint(), event->button(), event->modifiers());
}

void ImageView::mouseMoveEvent(QMouseEvent* event) { emit mouseMoved(event->position().toPoint()); }

} // namespace velumbra
