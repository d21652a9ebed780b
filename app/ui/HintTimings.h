#pragma once
#include <QObject>

class QApplication;

namespace velumbra {

// Hints show 50 ms after the mouse stops over a control and stay 5 s.
class HintTimings : public QObject {
    Q_OBJECT
public:
    static constexpr int wakeUpMs = 50;
    static constexpr int displayMs = 5000;

    // Sets both timings for the whole application.
    static void install(QApplication& app);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace velumbra
