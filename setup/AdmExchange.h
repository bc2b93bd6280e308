#pragma once
// The administrative structure window's data exchange: one institution's year to a file and
// back, a group's institutions to a folder tree and files back into the institutions they name,
// and the choice of forms a load is limited to (ChosenForms, shown in the window's panel).
// TAdmForm keeps the commands' names and forwards them here.
//
//     m_exchange = new AdmExchange(*this);
//     m_exchange->exportOne();   // "Выгрузить" → "Одно учреждение"

#include <QObject>
#include <QString>

class TAdmForm;
class QTreeWidgetItem;
struct DataLoadTarget;
struct GroupImportReport;
struct UnitTreeNode;

// The unit of a tree node with every unit below it, as the tree shows them.
UnitTreeNode unitSubtree(const QTreeWidgetItem* node);

class AdmExchange : public QObject {
    Q_OBJECT
public:
    explicit AdmExchange(TAdmForm& window);

    void exportOne();
    void importOne();
    void exportGroup();
    void importGroup();
    void chooseForms();
    // Shows the chosen forms in the panel and enables "Очищать" for a choice.
    void showChosenForms();

private:
    // The load of a data file into `owner` as the panel limits it to the chosen forms.
    DataLoadTarget loadTarget(int owner) const;
    // "Очищать" says "Выбранные формы": only the chosen forms' tables are cleared.
    bool chosenFormsOnly() const;
    void showGroupImported(const GroupImportReport& report);
    // The name the group export gives the leaf's file, so a file of one unit comes back to it.
    QString exportedFileName(const QTreeWidgetItem* leaf) const;
    // The second bar: how far the file being read is.
    void showLineProgress(qint64 read, qint64 size);

    TAdmForm& m_window;
};
