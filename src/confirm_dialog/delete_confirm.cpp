#include "delete_confirm.h"

#include "appicon.h"
#include "promodule.h"
#include "twips.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

QLabel *infoLabel(QGroupBox *frame, const char *name, const QRect &geometry, const QColor &colour)
{
    auto *label = new QLabel(frame);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    // Named after its box: the text, which changes from file to file, is the description.
    label->setAccessibleName(frame->title());
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // Each line is fitted to the width when it is set, so nothing needs to wrap.
    label->setWordWrap(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QPushButton *answerButton(QWidget *frame, const char *name, const QString &caption,
                          const QRect &geometry, const QString &toolTip)
{
    auto *button = new QPushButton(caption, frame);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setToolTip(toolTip);
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    return button;
}

} // namespace

Delete_Confirm::Delete_Confirm(ProModule &engine, QWidget *parent)
    // A dialog to the window manager, with a title, a system menu and a close box: no box to
    // minimise or maximise it.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_engine(engine)
{
    setObjectName(QStringLiteral("Delete_Confirm"));
    setWindowTitle(QStringLiteral("Vintrex"));
    setWindowIcon(applicationIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    setFont(font);
    resize(twips(0, 0, 8985, 3075).size());

    Frame1 = new QGroupBox(QStringLiteral("Latest File Version Information"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twips(120, 0, 8775, 1215));
    Latest_File_info =
        infoLabel(Frame1, "Latest_File_info", twips(240, 240, 8415, 855), QColor(0, 0, 192));

    Frame2 = new QGroupBox(QStringLiteral("File to Delete"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(twips(120, 1200, 8775, 1815));
    Delete_File_info =
        infoLabel(Frame2, "Delete_File_info", twips(120, 240, 8535, 975), QColor(128, 0, 0));

    Yes_Delete = answerButton(Frame2, "Yes_Delete", QStringLiteral("Yes"),
                              twips(2640, 1320, 615, 375),
                              QStringLiteral("Delete current file in question"));
    Yes_Delete_All = answerButton(Frame2, "Yes_Delete_All", QStringLiteral("Yes to All"),
                                  twips(3360, 1320, 855, 375),
                                  QStringLiteral("Delete all following files in list box"));
    No_Delete = answerButton(Frame2, "No_Delete", QStringLiteral("No"), twips(4320, 1320, 615, 375),
                             QStringLiteral("Do not delete file in question"));
    Delete_Cancel = answerButton(Frame2, "Delete_Cancel", QStringLiteral("Cancel"),
                                 twips(5040, 1320, 855, 375), QStringLiteral("Exit purge request"));

    // Only the buttons take the focus, Cancel first: Enter right away ends the run safely.
    setTabOrder(Delete_Cancel, No_Delete);
    setTabOrder(No_Delete, Yes_Delete_All);
    setTabOrder(Yes_Delete_All, Yes_Delete);
    Delete_Cancel->setFocus();

    // Made smaller, the window still shows every answer.
    const QRect answers = Delete_Cancel->geometry().translated(Frame2->pos());
    setMinimumSize(answers.right() + 1 + Frame2->x(), Frame2->geometry().bottom() + 1);

    connect(Yes_Delete, &QPushButton::clicked, this, &Delete_Confirm::Yes_Delete_Click);
    connect(Yes_Delete_All, &QPushButton::clicked, this, &Delete_Confirm::Yes_Delete_All_Click);
    connect(No_Delete, &QPushButton::clicked, this, &Delete_Confirm::No_Delete_Click);
    connect(Delete_Cancel, &QPushButton::clicked, this, &Delete_Confirm::Delete_Cancel_Click);

}

void Delete_Confirm::Yes_Delete_Click()
{
    m_engine.OnConfirmAnswer(ProModule::Answer::Yes);
}

void Delete_Confirm::Yes_Delete_All_Click()
{
    m_engine.OnConfirmAnswer(ProModule::Answer::YesToAll);
}

void Delete_Confirm::No_Delete_Click()
{
    m_engine.OnConfirmAnswer(ProModule::Answer::No);
}

void Delete_Confirm::Delete_Cancel_Click()
{
    m_engine.OnConfirmAnswer(ProModule::Answer::Cancel);
}

void Delete_Confirm::closeEvent(QCloseEvent *event)
{
    // Closing the window is Cancel, without an answer to act on.
    m_engine.OnConfirmDialogClosed();
    event->accept();
}

void Delete_Confirm::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the button that has the focus; Esc does nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget())) {
            button->click();
            return;
        }
    }
    if (event->key() == Qt::Key_Escape)
        return;
    // Not the dialog's own handling, which would close on Esc and press a default button.
    QWidget::keyPressEvent(event);
}
