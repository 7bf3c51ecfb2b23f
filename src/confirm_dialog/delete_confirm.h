#pragma once

#include <QDialog>

class ProModule;
class QGroupBox;
class QLabel;
class QPushButton;

// Asks about one old version at a time: the latest version above, the file to delete below,
// and four answers. The answers go to the engine, which decides what happens next. A dialog
// that never runs modal: it stays up from question to question.
class Delete_Confirm : public QDialog
{
    Q_OBJECT

public:
    explicit Delete_Confirm(ProModule &engine, QWidget *parent = nullptr);

    void Yes_Delete_Click();
    void Yes_Delete_All_Click();
    void No_Delete_Click();
    void Delete_Cancel_Click();

    QGroupBox *Frame1;
    QLabel *Latest_File_info;
    QGroupBox *Frame2;
    QLabel *Delete_File_info;
    QPushButton *Yes_Delete;
    QPushButton *Yes_Delete_All;
    QPushButton *No_Delete;
    QPushButton *Delete_Cancel;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ProModule &m_engine;
};
