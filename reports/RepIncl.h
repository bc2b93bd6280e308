#pragma once
// The institution tree of a summary report: every root of the administrative structure with its
// subtree; the user marks the institutions the report sums (a double click or the space key
// toggles a node, a group marks or unmarks all under it). OK keeps the marked institutions.
//
//     TRepInc dialog(this);
//     dialog.setWindowTitle(reportName);
//     dialog.ShowTrees(SummaryReports::institutions(dbmain(), id));
//     if (prompts().exec(dialog) == QDialog::Accepted) save(dialog.includeList());

#include <QDialog>
#include <QList>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TRepInc : public QDialog {
    Q_OBJECT
public:
    explicit TRepInc(QWidget* parent = nullptr);

    // Builds the tree from the structure cache and marks the listed institutions.
    void ShowTrees(const QList<int>& include);
    // The marked institutions (never a group) in tree order.
    QList<int> includeList() const;

    void toggle(QTreeWidgetItem* node);

    QTreeWidget* TreeView1 = nullptr;
    QPushButton* BitBtn1 = nullptr;   // OK
    QPushButton* BitBtn2 = nullptr;   // "Отказ"
};
