#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "results/ui/TFRM_Alv_Child.h"

#include <QApplication>
#include <QMessageBox>
#include <QProxyStyle>
#include <exception>

namespace {

// Hints show after 50 ms and stay 5 s.
class HintStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay) return 50;
        if (hint == SH_ToolTip_FallAsleepDelay) return 5000;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

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
    QApplication::setApplicationName(QStringLiteral("Velumbra V1.3f"));
    QApplication::setStyle(new HintStyle);

    velumbra::WindowSet windows;
    velumbra::TFRM_Alv* mainWindow = windows.main();
    mainWindow->show();
    windows.resultWindow()->move(mainWindow->pos() + QPoint(154, 117));
    return app.exec();
}
