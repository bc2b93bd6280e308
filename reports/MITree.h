#pragma once
// TMISetup: the tree of indicator sets. In setup it adds, renames, deletes, exports and imports
// sets; opened to choose a set it computes the chosen one in the statistics view.

#include <QDialog>
#include <QHash>
#include <QList>
#include <QSet>

class IndicatorSetFileReader;
class QAction;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The ident of the set last selected in the tree.
inline int CurrentTerm = 0;

class TMISetup : public QDialog {
    Q_OBJECT
public:
    enum class Use { Setup, Indicators };
    explicit TMISetup(Use use, QWidget* parent = nullptr);
    ~TMISetup() override;

    QTreeWidget* tree() const { return TreeView1; }
    QLineEdit* nameField() const { return Edit1; }
    QPushButton* saveButton() const { return Button1; }
    QAction* action(const QString& caption) const;

    void FormActivate();
    void TreeView1Change();
    void Edit1Change();
    void Button1Click();
    void N5Click();    // "На текущий уровень"
    void N6Click();    // "Подуровень"
    void N2Click();    // "Удалить"
    void N3Click();    // "Состав"
    void N8Click();    // "Показатели"
    void N9Click();    // "Выгрузить"
    void N10Click();   // "Загрузить"
    void TreeView1DblClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void AddIndicatorBranch(QTreeWidgetItem* node, int parentIdent);
    void addSet(QTreeWidgetItem* parentNode, int depend);
    void refreshCache();
    void updateActions();
    QTreeWidgetItem* current() const;
    // Selects and opens the set's node after the tree was built again.
    void selectSet(int ident);
    // Asks for a set's file and reads it; false when none was chosen or (said) it did not read.
    bool readChosenFile(IndicatorSetFileReader& reader, const QString& failed);

    QTreeWidget* TreeView1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QList<QAction*> m_actions;
    // While the tree is filled: the cache positions of each set's children, and the sets shown.
    QHash<int, QList<qsizetype>> m_children;
    QSet<int> m_shown;
    bool m_cacheRefreshed = false;
};

inline TMISetup* MISetup = nullptr;
