#include "messageboxes.h"

void MessageBoxes::inform(const QString &text, Icon icon, const QString &details)
{
    show(text, applicationTitle(), icon, Buttons::Ok, details);
}

bool MessageBoxes::askYesNo(const QString &text, Icon icon)
{
    return show(text, applicationTitle(), icon, Buttons::YesNo) == Answer::Yes;
}

QString MessageBoxes::applicationTitle()
{
    return QStringLiteral("Vintrex");
}
