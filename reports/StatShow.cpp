#include "reports/StatShow.h"

#include "core/Unit1.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "platform/office/Desktop.h"
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/WordDocument.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QTableWidget>
#include <QVBoxLayout>

TShowStat::TShowStat(int term, const QString& caption, const QString& setName, QWidget* parent)
    : QDialog(parent)
    , m_term(term)
{
    ShowStat = this;
    setObjectName(QStringLiteral("ShowStat"));
    setWindowTitle(caption);
    auto* bar = new QMenuBar(this);
    QMenu* print = bar->addMenu(QStringLiteral("Печать"));
    connect(print->addAction(QStringLiteral("В Word")), &QAction::triggered, this, &TShowStat::N1Click);
    connect(print->addAction(QStringLiteral("В Excel")), &QAction::triggered, this, &TShowStat::Excel1Click);
    QMenu* cut = bar->addMenu(QStringLiteral("Разрезать"));
    connect(cut->addAction(QStringLiteral("Ячейку")), &QAction::triggered, this, [this] { N2Click(true); });
    connect(cut->addAction(QStringLiteral("Строку")), &QAction::triggered, this, [this] { N2Click(false); });
    connect(bar->addAction(QStringLiteral("Выход")), &QAction::triggered, this, &QDialog::reject);

    Label1 = new QLabel(setName, this);
    Label2 = new QLabel(this);
    StringGrid1 = new QTableWidget(this);
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(Label1);
    layout->addWidget(StringGrid1, 1);
    layout->addWidget(Label2);
    resize(760, 520);
    GetDatas();
}

TShowStat::~TShowStat()
{
    if (ShowStat == this)
        ShowStat = nullptr;
}

void TShowStat::GetDatas()
{
    QString error;
    const auto computed = runShowingFailure(QStringLiteral("Показатели не вычислены."), [&] {
        if (!loadIndicatorGrid(dbmain(), m_term, &m_grid, &error)) {
            prompts().error(error);
            return false;
        }
        m_shown = computeIndicatorGrid(dbmain(), m_grid);
        return true;
    });
    if (!computed.value_or(false))
        return;
    StringGrid1->setColumnCount(m_grid.columnCount);
    StringGrid1->setRowCount(m_grid.rowCount);
    for (int r = 0; r < m_shown.size(); ++r) {
        for (int c = 0; c < m_shown[r].size(); ++c) {
            auto* item = new QTableWidgetItem(m_shown[r][c]);
            if (r == 0 || c == 0)
                item->setBackground(palette().button());
            else
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            StringGrid1->setItem(r, c, item);
        }
        if (m_grid.heights.value(r) > 0)
            StringGrid1->setRowHeight(r, m_grid.heights[r]);
    }
    for (int c = 0; c < m_grid.columnCount; ++c)
        if (m_grid.widths.value(c) > 0)
            StringGrid1->setColumnWidth(c, m_grid.widths[c]);
    if (m_grid.rowCount > 1 && m_grid.columnCount > 1)
        StringGrid1->setCurrentCell(1, 1);
}

void TShowStat::N2Click(bool oneCell)
{
    const int row = StringGrid1->currentRow();
    const int column = StringGrid1->currentColumn();
    if (row < 1 || column < 1 || m_grid.columnCount < 2)
        return;
    QList<int> columns;
    if (oneCell)
        columns << column;
    else
        for (int c = 1; c < m_grid.columnCount; ++c)
            columns << c;
    ResultList list;
    list.windowCaption = windowTitle();
    QString error;
    Label2->setText(QStringLiteral("Разрезание..."));
    const auto ok = runShowingFailure(QString(), [&] {
        const auto clearLabel = qScopeGuard([this] { Label2->clear(); });
        return breakDownIndicators(dbmain(), m_grid, m_shown, row, columns, oneCell, Label1->text(), &list, &error);
    });
    if (!ok)
        return;
    if (!*ok) {
        prompts().error(error);
        return;
    }
    ShowResultList(list);
}

void TShowStat::N1Click()
{
    WordDocument document;
    document.createBlank();
    indicatorsToWord(windowTitle(), Label1->text(), m_shown, document);
    QString error;
    if (!showDocument(document, Label1->text().isEmpty() ? QStringLiteral("Показатели") : Label1->text(), &error))
        prompts().error(error);
}

void TShowStat::Excel1Click()
{
    ExcelWorkbook book;
    indicatorsToExcel(windowTitle(), Label1->text(), m_shown, book);
    QString error;
    if (!showWorkbook(book, Label1->text().isEmpty() ? QStringLiteral("Показатели") : Label1->text(), &error))
        prompts().error(error);
}
