#include "app/ui/TFRM_Alv.h"
#include "results/ui/TFRM_Alv_Child.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velumbra V1.3f"));

    velumbra::TFRM_Alv mainWindow;
    velumbra::TFRM_Alv_Child resultWindow;
    mainWindow.setResultWindow(&resultWindow);
    mainWindow.show();
    resultWindow.move(mainWindow.pos() + QPoint(154, 117));
    resultWindow.show();
    return app.exec();
}
