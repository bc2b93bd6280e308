#pragma once
// The summation of report levels: the ticked source levels are added, institution by
// institution, into the destination level; the non-summable positions of the program folder's
// positions file take the values of one source the user picks in TSFRF. With "Выборочное
// суммирование" only the institutions marked in the tree are summed.
//
//     TFMerge window(main);   // reads dbmain(), CfgDir and ReportYear
//     prompts().exec(window);

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>

struct MergeChoice;
struct MergeRequest;
struct MergeResult;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Fills the strip: the done part (1 - remaining / total of the width) in the colour $FF8080,
// the rest white, the caption centred over both.
void DrawProgressBar(QLabel* image, int total, int remaining, const QString& caption);

class TSFRF : public QDialog {
    Q_OBJECT
public:
    // One radio button per level (name, id).
    TSFRF(const QList<QPair<QString, int>>& levels, QWidget* parent = nullptr);
    // The id of the chosen button; -1 when none is chosen.
    int chosenId() const;

    QLabel* Label1 = nullptr;
    QButtonGroup* RadioGroup1 = nullptr;
    QPushButton* BitBtn1 = nullptr;   // OK
    QPushButton* BitBtn2 = nullptr;   // "Отказ"
};

class TFMerge : public QDialog {
    Q_OBJECT
public:
    explicit TFMerge(QWidget* parent = nullptr);

    void CheckListBox1ClickCheck();
    void CheckBox1Click();
    void TreeView1DblClick();
    void BitBtn1Click();
    // Asks for the level whose values fill the non-summable positions; false on cancel.
    bool selectFinRep();
    // The marked institutions of the tree that have nothing under them, in tree order.
    QList<int> selectedUnits() const;

    int FinRepId = 0;

    QListWidget* CheckListBox1 = nullptr;   // sources, checkable, the id as item data
    QListWidget* ListBox1 = nullptr;        // destination, the id as item data
    QCheckBox* CheckBox1 = nullptr;         // "Выборочное суммирование"
    QLabel* Label3 = nullptr;               // "Укажите учреждения для суммирования"
    QTreeWidget* TreeView1 = nullptr;
    QPushButton* BitBtn1 = nullptr;         // "Суммировать"
    QLabel* Image1 = nullptr;               // institutions
    QLabel* Image2 = nullptr;               // tables

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    QList<int> tickedSources() const;
    MergeChoice gatherChoice() const;
    // Runs the summation with the two strips showing its progress and the button off meanwhile.
    bool runWithProgress(const MergeRequest& request, MergeResult* result, QString* error);
};
