#include "appicon.h"

#include <QIcon>

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 256})
        icon.addFile(QStringLiteral(":/icons/vintrex-%1.png").arg(size), QSize(size, size));
    return icon;
}
