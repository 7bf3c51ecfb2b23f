#pragma once

#include <QString>
#include <stdexcept>

// The one failure the platform layer reports: an operation on the file system or a control
// could not be done. It carries the operating system's own error text.
class PlatformError : public std::runtime_error
{
public:
    explicit PlatformError(const QString &message) : std::runtime_error(message.toStdString()) {}

    QString message() const { return QString::fromStdString(what()); }

    // "what: <strerror(err)>" for a failed system call.
    static PlatformError fromErrno(const QString &what, int err);
};
