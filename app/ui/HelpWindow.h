#pragma once
#include <QDialog>

class QTextBrowser;

namespace velumbra {

// Shows the help pages installed beside the program.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // Opens a topic page; topic 0 opens the contents ("Sommaire").
    bool showTopic(int topic);
    static QString helpFolder();
    QString currentFile() const;

private:
    QTextBrowser* browser_ = nullptr;
};

} // namespace velumbra
