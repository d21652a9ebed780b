#pragma once
#include <QDialog>
#include <functional>

class QTextBrowser;

namespace velumbra {

// Shows the help pages installed beside the program.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // Opens a topic page in the language chosen now; topic 0 opens the
    // contents ("Sommaire").
    bool showTopic(int topic);
    // The chosen language's name (a section of the language file); none:
    // the French pages.
    std::function<QString()> language;
    static QString helpFolder();
    QString currentFile() const;

private:
    QTextBrowser* browser_ = nullptr;
};

} // namespace velumbra
