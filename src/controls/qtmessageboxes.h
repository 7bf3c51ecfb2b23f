#pragma once

#include "messageboxes.h"

// Message boxes on screen, modal to the whole application.
class QtMessageBoxes : public MessageBoxes
{
public:
    Answer show(const QString &text, const QString &title, Icon icon, Buttons buttons,
                const QString &details = {}) override;
};
