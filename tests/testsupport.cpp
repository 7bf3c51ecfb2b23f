#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>

QStringList ScriptedMessageBoxes::texts() const
{
    QStringList result;
    for (const Shown &s : shown)
        result.append(s.text);
    return result;
}

QString makeFile(const QString &folder, const QString &name, const QByteArray &content)
{
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot create %s", qPrintable(file.fileName()));
    return file.fileName();
}

QString makeFolder(const QString &parent, const QString &name)
{
    const QString path = parent + QLatin1Char('/') + name;
    if (!QDir().mkpath(path))
        qFatal("cannot create %s", qPrintable(path));
    return path;
}

void makeRawFile(const QString &folder, const QByteArray &name)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    FILE *raw = std::fopen(path.constData(), "w");
    if (!raw)
        qFatal("cannot create %s", path.constData());
    std::fclose(raw);
}

bool runs(const QString &program, const QStringList &arguments)
{
    return QProcess::execute(program, arguments) == 0;
}
