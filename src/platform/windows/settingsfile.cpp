#include "settingsfile.h"

#include <QFileInfo>

QString usableSettingsFile(const QString &path, qint64 maxSize)
{
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink())
        return path;
    if (file.isSymLink() || file.isJunction() || !file.isFile() || file.size() > maxSize)
        return QString();
    return path;
}
