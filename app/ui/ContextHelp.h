#pragma once
#include <QObject>

class QWidget;

namespace velumbra {

class HelpWindow;

// F1 in any window of the program opens the help page of the area the mouse
// last entered in that window, or of the window itself. Areas and windows are
// known by their object names (helpTopicForArea); a page control stands for
// its current page.
class ContextHelp : public QObject {
    Q_OBJECT
public:
    // Watches every window of the application while it lives.
    ContextHelp(HelpWindow* help, QObject* parent);

    // Topic of a widget: its own, else that of the nearest enclosing area,
    // else its window's, else that of the page its window shows; 0 (the
    // contents) when none has one.
    static int topicOf(const QWidget* widget);
    // The topic F1 opens in the window holding `widget`.
    static int currentTopic(const QWidget* widget);
    static void setCurrentTopic(QWidget* window, int topic);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HelpWindow* help_;
};

} // namespace velumbra
