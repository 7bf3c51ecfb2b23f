#include "messageboxes.h"

void MessageBoxes::inform(const QString &text, Icon icon)
{
    show(text, applicationTitle(), icon, Buttons::Ok);
}

bool MessageBoxes::askYesNo(const QString &text, Icon icon)
{
    return show(text, applicationTitle(), icon, Buttons::YesNo) == Answer::Yes;
}

QString MessageBoxes::applicationTitle()
{
    return QStringLiteral("Vintrex");
}
