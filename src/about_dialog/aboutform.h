#pragma once

#include "registry.h"

#include <QDialog>

class MessageBoxes;
class ProgramStarter;
class QLabel;
class QPushButton;

// Title, version and description of the program, the warning that deletion is permanent,
// and a button that starts the system information program.
class AboutForm : public QDialog
{
    Q_OBJECT

public:
    AboutForm(Registry &registry, ProgramStarter &starter, MessageBoxes &messages,
              QWidget *parent = nullptr);

    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
    // Reads a text or number value of the registry into KeyVal; false (and KeyVal empty)
    // when the key or value cannot be read.
    bool GetKeyValue(const Registry::Key &KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal);

    QPushButton *cmdOK;
    QLabel *picIcon;
    QPushButton *cmdSysInfo;
    QLabel *lblDescription;
    QLabel *lblDisclaimer;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *Label1;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Form_Load();

    Registry &m_registry;
    ProgramStarter &m_starter;
    MessageBoxes &m_messages;
};
