#pragma once
// The workbook chooser of the grid's export "В открытую книгу": made once at start-up and reused.
// The export fills ListBox1 with the open books; OK closes it with Accepted, "Отказ" with Rejected.

#include <QDialog>

class QListWidget;
class QPushButton;

class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    QListWidget* ListBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr;   // OK
    QPushButton* BitBtn2 = nullptr;   // "Отказ"

private:
    TForm4* m_previous = nullptr;
};

inline TForm4* Form4 = nullptr;
