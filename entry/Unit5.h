#pragma once
// The short names window: every institution with the short name its Excel sheet takes, edited
// in place and written to ShortNames.txt by OK.

#include "entry/ShortNames.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

// Asked before OK writes over a short names file the window could not read.
QString unreadFileQuestion(const QString& path);

class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    void FormCreate();
    // OK: writes the grid; the window closes only once the file was written.
    void BitBtn1Click();
    // "Обновить список ЛПУ": the institutions of the database, known short names kept.
    void Button1Click();
    QList<ShortName> rows() const;

    QTableWidget* StringGrid1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* Button1 = nullptr;

private:
    void setRows(const QList<ShortName>& rows);
    bool m_unread = false;   // the file exists but was refused: its content is not on screen
};
