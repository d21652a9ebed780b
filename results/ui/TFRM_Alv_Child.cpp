#include "results/ui/TFRM_Alv_Child.h"
#include "app/ui/ImageView.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace velumbra {

TFRM_Alv_Child::TFRM_Alv_Child(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowMinimizeButtonHint |
                          Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TFRM_Alv_Child"));
    setWindowTitle(QStringLiteral("Fenêtre d'intégration"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    image3_ = new ImageView(this);
    image3_->setObjectName(QStringLiteral("Image3"));
    layout->addWidget(image3_, 0, Qt::AlignLeft | Qt::AlignTop);
}

void TFRM_Alv_Child::setImage(const QImage* image, int width, int height)
{
    image3_->setSource(image, {width, height});
    adjustSize();
}

void TFRM_Alv_Child::refresh() { image3_->update(); }

// The result window cannot be closed, only minimised.
void TFRM_Alv_Child::closeEvent(QCloseEvent* event) { event->ignore(); }

} // namespace velumbra
