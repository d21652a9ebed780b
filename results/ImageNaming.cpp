#include "results/ImageNaming.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace velumbra {

QString BuildImageBaseName(const QString& prefix, int number, bool fixedLength, int length)
{
    QString digits = QString::number(number);
    if (fixedLength && digits.size() < length) digits.prepend(QString(length - digits.size(), QLatin1Char('0')));
    return prefix + digits;
}

QString folderPart(const QString& name)
{
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : name.left(slash);
}

QString fileNamePart(const QString& name)
{
    return name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}

QString cutBmpExtension(const QString& name)
{
    // Only the file's own extension: a folder such as "m42.bmp-set/" stays whole.
    const QString extension = QStringLiteral(".bmp");
    return name.endsWith(extension, Qt::CaseInsensitive) ? name.chopped(extension.size()) : name;
}

bool createFolderOf(const QString& name)
{
    QString folder = folderPart(name);
    // "/jup" has the root as its folder; it always exists.
    if (folder.isEmpty()) return true;
    if (QFileInfo(folder).isDir()) return true;
    return QDir().mkpath(folder);
}

QString folderWithSeparator(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder;
    return folder + QLatin1Char('/');
}

QString moveToFolder(const QString& folder, const QString& name)
{
    return folderWithSeparator(folder) + fileNamePart(name);
}

qint64 bmpFileSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    const qint64 stride = (qint64(width) * 3 + 3) & ~qint64(3);
    return 54 + stride * height;
}

} // namespace velumbra
