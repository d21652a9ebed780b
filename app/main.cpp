#include "app/QtTranslations.h"
#include "core/Version.h"
#include "app/ui/HintTimings.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

namespace {

// The general exception report: a box with the exception's text.
class VelumbraApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(nullptr, applicationName(), QString::fromUtf8(e.what()));
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    VelumbraApplication app(argc, argv);
    QApplication::setApplicationName(velumbra::programTitle());
    velumbra::loadQtTranslations(app);
    velumbra::HintTimings::install(app);

    velumbra::WindowSet windows;
    windows.main()->show();
    return app.exec();
}
