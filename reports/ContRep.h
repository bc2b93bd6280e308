#pragma once
// "Состав разрезов": the summary reports a territory summary is made of, as a checklist of every
// other report. OK keeps the ticked ones; Esc leaves as Cancel.
//
//     TRepCont dialog(reportId, reportName, SummaryReports::list(dbmain(), false),
//                     SummaryReports::incomingReports(dbmain(), reportId), this);
//     if (prompts().exec(dialog) == QDialog::Accepted) save(dialog.ticked());

#include "reports/SummaryReports.h"

#include <QDialog>
#include <QList>

class QLabel;
class QListWidget;
class QPushButton;

class TRepCont : public QDialog {
    Q_OBJECT
public:
    // The report itself is never offered.
    TRepCont(int reportId, const QString& reportName, const QList<SummaryReport>& reports,
             const QList<int>& included, QWidget* parent = nullptr);

    // The ticked reports' ids in list order.
    QList<int> ticked() const;

    QLabel* Label1 = nullptr;
    QListWidget* CheckListBox1 = nullptr;   // item id under Qt::UserRole
    QPushButton* BitBtn1 = nullptr;         // OK
};
