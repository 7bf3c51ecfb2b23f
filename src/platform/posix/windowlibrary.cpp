#include "windowlibrary.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

QString findWindowLibrary(QString &error)
{
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self);
    QByteArray folder = length > 0 && size_t(length) < sizeof self ? QByteArray(self, length) : QByteArray();
    folder.truncate(folder.lastIndexOf('/') + 1);
    const QByteArray built = folder + "libvintrex-window.so";
    const QByteArray path = ::access(built.constData(), R_OK) == 0 ? built : folder + VINTREX_WINDOW_LIBRARY;
    if (::access(path.constData(), R_OK) != 0) {
        error = QStringLiteral("the window's library %1 is missing: %2")
                    .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    return QFile::decodeName(path);
}

WindowEntry loadWindowLibrary(const QString &path, QString &error)
{
    void *library = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    const auto entry = library ? reinterpret_cast<WindowEntry>(::dlsym(library, "vintrexRunWindow")) : nullptr;
    if (!entry)
        error = QStringLiteral("cannot load the window: ") + QString::fromLocal8Bit(::dlerror());
    return entry;
}
