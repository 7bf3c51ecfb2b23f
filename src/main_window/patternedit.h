#pragma once

#include <QLineEdit>

// The pattern box: reports every time it receives the keyboard focus, however it came (Tab,
// its label's access key, or a click), so that the window can select the whole pattern.
class PatternEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit PatternEdit(QWidget *parent = nullptr);

signals:
    void gotFocus();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool m_focusedByClick = false;
};
