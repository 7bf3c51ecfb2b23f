#include "programstarter.h"

#include <QFileInfo>
#include <QProcess>

bool ProgramStarter::startDetached(const QString &commandLine)
{
    // A registry path such as C:\Program Files\...\MSINFO32.EXE holds blanks unquoted.
    if (QFileInfo(commandLine).isFile())
        return QProcess::startDetached(commandLine, {});
    QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty())
        return false;
    const QString program = parts.takeFirst();
    return QProcess::startDetached(program, parts);
}

bool ordinaryFileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}
