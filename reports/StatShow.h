#pragma once
// TShowStat: one indicator set computed for the unit the main window chose, its breakdown by
// the unit's members and its output to Word and Excel.

#include "reports/Statistics.h"

#include <QDialog>

class QLabel;
class QTableWidget;
class QTableWidgetItem;

class TShowStat : public QDialog {
    Q_OBJECT
public:
    TShowStat(int term, const QString& caption, const QString& setName, QWidget* parent = nullptr);
    ~TShowStat() override;

    QTableWidget* grid() const { return StringGrid1; }
    const QList<QStringList>& shown() const { return m_shown; }

    void GetDatas();
    void N2Click(bool oneCell);   // "Разрезать" ▸ "Ячейку" (true) or "Строку"
    void N1Click();               // "В Word"
    void Excel1Click();           // "В Excel"

private:
    // The cell (r, c) of the computed grid as the view shows it.
    QTableWidgetItem* shownItem(int r, int c) const;
    int m_term;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    IndicatorGrid m_grid;
    QList<QStringList> m_shown;
    QList<QStringList> m_reasons;   // why a marked cell could not be computed
};

inline TShowStat* ShowStat = nullptr;
