#pragma once
// The export of a summary report to the receiving body's dBase layout: the sections to export,
// the territory, the report, and "Выгрузить отчет". The mapping database links.mdb and the
// template Empt.dbf lie in the program folder; when either is missing or unreadable the window
// says so as it opens and the export stays disabled.
//
//     TUnf window(main);   // reads dbmain(), dbdat() and ReportYear
//     prompts().exec(window);

#include "reports/DbfExport.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

class TUnf : public QDialog {
    Q_OBJECT
public:
    explicit TUnf(QWidget* parent = nullptr);
    ~TUnf() override;

    // Why the export cannot run at all (no mapping or template); empty when it can.
    const QString& unavailable() const { return m_unavailable; }

    void BitBtn1Click();   // "Выгрузить отчет"
    void Button1Click();   // "Отметить все"
    void Button2Click();   // "Очистить все"

    QLabel* Label1 = nullptr;           // "Отметьте формы, которые Вы хотите выгрузить"
    QListWidget* CheckListBox1 = nullptr;
    QPushButton* Button1 = nullptr;     // "Отметить все"
    QPushButton* Button2 = nullptr;     // "Очистить все"
    QLabel* Label2 = nullptr;           // "Выберите свою территорию"
    QComboBox* ComboBox1 = nullptr;     // territories
    QLabel* Label3 = nullptr;           // "Выберите сводный отчет, который Вы хотите выгрузить"
    QComboBox* ComboBox2 = nullptr;     // reports, the id as item data
    QPushButton* BitBtn1 = nullptr;     // "Выгрузить отчет"
    QProgressBar* ProgressBar1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void updateCommands();
    void checkAll(bool checked);
    // The export the window's choices ask for, into the file made of `chosenPath`.
    DbfExportRequest gatherRequest(const QString& chosenPath) const;
    // Runs the export with the bar in the button's place.
    DbfExportResult exportWithProgress(const DbfExportRequest& request);

    Links m_links;
    QString m_unavailable;
    bool m_told = false;
};

inline TUnf* Unf = nullptr;
