#pragma once

#include <QRect>
#include <QtMath>

// The windows are laid out in twips, 1/1440 inch: 15 twips make one pixel at 96 dots per inch.
inline QRect twips(int left, int top, int width, int height)
{
    return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0),
                 qRound(height / 15.0));
}
