#include "fonts.h"

#include <QFont>
#include <QGuiApplication>
#include <QStringList>

void installFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                               {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    QFont::insertSubstitutions(QStringLiteral("Harrington"),
                               {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});

    // The toolkit's generic "Sans Serif" is left to fontconfig, which picks Liberation Mono on a
    // system that has only the Liberation fonts: name proportional faces the setup installs.
    QFont font = QGuiApplication::font();
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    QGuiApplication::setFont(font);
}
