#include "stalerequests.h"

#include <QString>
#include <QtGlobal>

namespace {

// The handler that was in place before ours: every message we keep goes on to it.
QtMessageHandler previousHandler = nullptr;

bool isStaleRequest(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtWarningMsg)
        return false;
    if (message.startsWith(QLatin1String("QAccessibleTable::child: Invalid index")) ||
        message.startsWith(QLatin1String("QAccessibleTree::indexFromLogical: invalid index")))
        return true;
    return qstrcmp(context.category, "qt.accessibility.atspi") == 0 &&
           message.contains(QLatin1String("Accessible invalid"));
}

void dropStaleRequests(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!isStaleRequest(type, context, message))
        previousHandler(type, context, message);
}

} // namespace

void quietStaleAccessibilityRequests()
{
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(dropStaleRequests);
}
