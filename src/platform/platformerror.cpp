#include "platformerror.h"

#include <cstring>

PlatformError PlatformError::fromErrno(const QString &what, int err)
{
    return PlatformError(what, QString::fromLocal8Bit(std::strerror(err)));
}
