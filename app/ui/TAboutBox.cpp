#include "app/ui/TAboutBox.h"
#include "core/Version.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velumbra {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("A propos"));
    auto* layout = new QVBoxLayout(this);
    auto* product = new QLabel(QStringLiteral("<b>Velumbra</b>"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    auto* version = new QLabel(versionCaption(), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* credits = new QLabel(
        QStringLiteral("Acquisition, suivi et empilement d'images pour l'astronomie amateur à la webcam. "
                       "Par l'équipe Velumbra, avec les astronomes amateurs qui l'ont essayé au télescope et nous "
                       "ont dit ce qui manquait."),
        this);
    credits->setWordWrap(true);
    credits->setMinimumWidth(380);
    credits->setObjectName(QStringLiteral("Comments"));
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(product);
    layout->addWidget(version);
    layout->addWidget(credits);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

} // namespace velumbra
