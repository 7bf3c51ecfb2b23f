#pragma once

#include <QString>

// Every message of the program is a modal box with a fixed icon and either OK or Yes/No.
// Tests replace this with scripted answers and read back what was shown.
class MessageBoxes
{
public:
    enum class Icon { None, Information, Exclamation, Critical };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~MessageBoxes() = default;

    // `details` (the file and the reason behind a failure, say) can be unfolded under the text.
    virtual Answer show(const QString &text, const QString &title, Icon icon, Buttons buttons,
                        const QString &details = {}) = 0;

    // Shortcuts titled with the program's name.
    void inform(const QString &text, Icon icon, const QString &details = {});
    bool askYesNo(const QString &text, Icon icon);

    static QString applicationTitle();
};
