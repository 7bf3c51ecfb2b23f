#include "promodule.h"

#include "busypointer.h"
#include "filelist.h"
#include "profilenames.h"

#include <QLabel>

ProModule::ProModule(MessageBoxes &messages, BusyPointer &busy) : m_messages(messages), m_busy(busy)
{
}

void ProModule::CountProEngFiles()
{
    ProEngFileCount = 0;
    ProEngFiles.clear();
    m_busy.setNormal();

    const QStringList &names = m_view.filList->names();
    for (const QString &name : names) {
        if (isProEngVersionFile(name)) {
            ProEngFiles.append(name);
            ++ProEngFileCount;
        }
    }
    m_view.Pro_Eng_files->setText(QStringLiteral("Pro Eng Files = ") +
                                  QString::number(ProEngFileCount));
    m_view.Label1->setText(QStringLiteral("Files = ") + QString::number(m_view.filList->count()));
}
