#include "app/ui/HelpWindow.h"
#include "app/HelpTopics.h"
#include "core/DataFiles.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace velumbra {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Aide de Velumbra"));
    resize(720, 560);
    auto* layout = new QVBoxLayout(this);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("TXB_Aide"));
    browser_->setOpenLinks(true);
    layout->addWidget(browser_);
}

QString HelpWindow::helpFolder()
{
    // Beside the program, installed in share/velumbra, or in the source tree.
    const QStringList candidates = dataFileCandidates(QStringLiteral("help"));
    for (const QString& folder : candidates)
        if (QFileInfo::exists(QDir(folder).filePath(QStringLiteral("index.html")))) return folder;
    return candidates.value(0);
}

bool HelpWindow::showTopic(int topic)
{
    const bool english = language && helpInEnglish(language());
    setWindowTitle(english ? QStringLiteral("Velumbra help") : QStringLiteral("Aide de Velumbra"));
    const QDir folder(helpFolder());
    QString file = folder.filePath(helpFileForTopic(topic, english));
    if (!QFileInfo::exists(file)) file = folder.filePath(helpFileForTopic(0, english));
    if (!QFileInfo::exists(file)) file = folder.filePath(helpFileForTopic(0));
    if (!QFileInfo::exists(file)) return false;
    browser_->setSource(QUrl::fromLocalFile(file));
    show();
    raise();
    return true;
}

QString HelpWindow::currentFile() const { return browser_->source().toLocalFile(); }

} // namespace velumbra
