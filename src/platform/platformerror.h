#pragma once

#include <QString>
#include <stdexcept>

// The one failure the platform layer reports: an operation on the file system or a control
// could not be done. It carries the operating system's own error text and, where the failure
// is about one file or folder, its path apart from the reason, so that a console can print
// the path quoted.
class PlatformError : public std::runtime_error
{
public:
    explicit PlatformError(const QString &message)
        : std::runtime_error(message.toStdString()), m_reason(message)
    {
    }
    // "path: reason"
    PlatformError(const QString &path, const QString &reason)
        : std::runtime_error((path + QStringLiteral(": ") + reason).toStdString()), m_path(path),
          m_reason(reason)
    {
    }

    QString message() const { return QString::fromStdString(what()); }
    // The file or folder the failure is about (empty when it is about none), and what went wrong.
    const QString &path() const { return m_path; }
    const QString &reason() const { return m_reason; }

    // "what: <strerror(err)>" for a failed system call.
    static PlatformError fromErrno(const QString &what, int err);

private:
    QString m_path;
    QString m_reason;
};
