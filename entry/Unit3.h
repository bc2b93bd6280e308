#pragma once
// The warning shown before a form is printed for the report: made once at start-up and reused;
// "Да" closes it with Accepted, "Нет" with Rejected. Its texts stand as written.

#include <QDialog>

class QLabel;
class QPushButton;

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* BitBtn1 = nullptr;   // "Да"
    QPushButton* BitBtn2 = nullptr;   // "Нет"

private:
    TForm3* m_previous = nullptr;
};

inline TForm3* Form3 = nullptr;
