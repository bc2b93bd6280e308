#include "reports/StatShow.h"

#include "core/Unit1.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "platform/office/Desktop.h"
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/WordDocument.h"
#include "widgets/MenuKeys.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The view's grid: once the set is computed its first row and first column hold the titles and
// stay in place while the figures scroll under them, so a figure far down or to the right is
// still read against its titles. The titles are three views of the grid's own cells laid over
// its viewport (the title row, the title column and the corner where they meet), so the cells
// and their numbering stay those of one grid.
class TitledGrid final : public QTableWidget {
public:
    explicit TitledGrid(QWidget* parent)
        : QTableWidget(parent)
    {
        // By pixels: scrolled by whole cells, the cell next to the titles would hide under them.
        setHorizontalScrollMode(ScrollPerPixel);
        setVerticalScrollMode(ScrollPerPixel);
    }

    void fixTitles()
    {
        if (m_corner)
            return;
        m_row = overlay();
        m_column = overlay();
        m_corner = overlay();
        connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
            for (QTableView* v : {m_row, m_column, m_corner})
                v->setColumnWidth(column, size);
            placeTitles();
        });
        connect(verticalHeader(), &QHeaderView::sectionResized, this, [this](int row, int, int size) {
            for (QTableView* v : {m_row, m_column, m_corner})
                v->setRowHeight(row, size);
            placeTitles();
        });
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_row->horizontalScrollBar(), &QScrollBar::setValue);
        connect(verticalScrollBar(), &QScrollBar::valueChanged, m_column->verticalScrollBar(), &QScrollBar::setValue);
        placeTitles();
    }

protected:
    void updateGeometries() override
    {
        QTableWidget::updateGeometries();
        placeTitles();
    }

    void scrollTo(const QModelIndex& index, ScrollHint hint) override
    {
        QTableWidget::scrollTo(index, hint);
        if (!m_corner || !index.isValid())
            return;
        // The grid counts a cell under the titles as in view; the user cannot see it.
        const QRect cell = visualRect(index);
        if (index.column() > 0 && cell.left() < columnWidth(0))
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (columnWidth(0) - cell.left()));
        if (index.row() > 0 && cell.top() < rowHeight(0))
            verticalScrollBar()->setValue(verticalScrollBar()->value() - (rowHeight(0) - cell.top()));
    }

    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        const QModelIndex next = QTableWidget::moveCursor(action, modifiers);
        if (!m_corner || !next.isValid())
            return next;
        // A title is no cell to stand on.
        return model()->index(qMax(next.row(), qMin(1, rowCount() - 1)),
                              qMax(next.column(), qMin(1, columnCount() - 1)));
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The wheel over the titles scrolls the figures, as it does beside them.
        if (event->type() == QEvent::Wheel && m_corner
            && (watched == m_row->viewport() || watched == m_column->viewport() || watched == m_corner->viewport())) {
            QCoreApplication::sendEvent(viewport(), event);
            return true;
        }
        return QTableWidget::eventFilter(watched, event);
    }

private:
    QTableView* overlay()
    {
        auto* v = new QTableView(this);
        v->setModel(model());
        v->setFocusPolicy(Qt::NoFocus);
        v->setSelectionMode(NoSelection);
        v->setEditTriggers(NoEditTriggers);
        v->setAutoScroll(false);
        v->horizontalHeader()->hide();
        v->verticalHeader()->hide();
        v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        v->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        v->setHorizontalScrollMode(ScrollPerPixel);
        v->setVerticalScrollMode(ScrollPerPixel);
        v->setFrameShape(QFrame::NoFrame);
        for (int c = 0; c < columnCount(); ++c)
            v->setColumnWidth(c, columnWidth(c));
        for (int r = 0; r < rowCount(); ++r)
            v->setRowHeight(r, rowHeight(r));
        v->viewport()->installEventFilter(this);
        v->show();
        return v;
    }

    void placeTitles()
    {
        if (!m_corner)
            return;
        const QRect area = viewport()->geometry();
        const int width = qMin(columnCount() > 0 ? columnWidth(0) : 0, area.width());
        const int height = qMin(rowCount() > 0 ? rowHeight(0) : 0, area.height());
        m_row->setGeometry(area.x(), area.y(), area.width(), height);
        m_column->setGeometry(area.x(), area.y(), width, area.height());
        m_corner->setGeometry(area.x(), area.y(), width, height);
        m_row->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
        m_column->verticalScrollBar()->setValue(verticalScrollBar()->value());
    }

    QTableView* m_row = nullptr;
    QTableView* m_column = nullptr;
    QTableView* m_corner = nullptr;
};

} // namespace

TShowStat::TShowStat(int term, const QString& caption, const QString& setName, QWidget* parent)
    : QDialog(parent)
    , m_term(term)
{
    ShowStat = this;
    setObjectName(QStringLiteral("ShowStat"));
    setWindowTitle(caption);
    auto* bar = new QMenuBar(this);
    giveMenuKeys(bar);
    QMenu* print = bar->addMenu(QStringLiteral("Печать"));
    connect(print->addAction(QStringLiteral("В Word")), &QAction::triggered, this, &TShowStat::N1Click);
    connect(print->addAction(QStringLiteral("В Excel")), &QAction::triggered, this, &TShowStat::Excel1Click);
    QMenu* cut = bar->addMenu(QStringLiteral("Разрезать"));
    connect(cut->addAction(QStringLiteral("Ячейку")), &QAction::triggered, this, [this] { N2Click(true); });
    connect(cut->addAction(QStringLiteral("Строку")), &QAction::triggered, this, [this] { N2Click(false); });
    connect(bar->addAction(QStringLiteral("Выход")), &QAction::triggered, this, &QDialog::reject);

    Label1 = new QLabel(setName, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    StringGrid1 = new TitledGrid(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
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
        m_shown = computeIndicatorGrid(dbmain(), m_grid, &m_reasons);
        return true;
    });
    if (!computed.value_or(false))
        return;
    StringGrid1->setColumnCount(m_grid.columnCount);
    StringGrid1->setRowCount(m_grid.rowCount);
    for (int r = 0; r < m_shown.size(); ++r) {
        for (int c = 0; c < m_shown[r].size(); ++c)
            StringGrid1->setItem(r, c, shownItem(r, c));
        if (m_grid.heights.value(r) > 0)
            StringGrid1->setRowHeight(r, m_grid.heights[r]);
    }
    for (int c = 0; c < m_grid.columnCount; ++c)
        if (m_grid.widths.value(c) > 0)
            StringGrid1->setColumnWidth(c, m_grid.widths[c]);
    static_cast<TitledGrid*>(StringGrid1)->fixTitles();
    if (m_grid.rowCount > 1 && m_grid.columnCount > 1)
        StringGrid1->setCurrentCell(1, 1);
}

namespace {
// Every column right of the titles.
QList<int> valueColumns(int columnCount)
{
    QList<int> columns;
    for (int c = 1; c < columnCount; ++c)
        columns << c;
    return columns;
}
} // namespace

QTableWidgetItem* TShowStat::shownItem(int r, int c) const
{
    auto* item = new QTableWidgetItem(m_shown[r][c]);
    if (r == 0 || c == 0)
        item->setBackground(palette().button());
    else
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A value that could not be computed shows why when pointed at.
    const QString why = m_reasons.value(r).value(c);
    if (!why.isEmpty()) {
        item->setToolTip(why);
        item->setTextAlignment(Qt::AlignCenter);
    }
    return item;
}

void TShowStat::N2Click(bool oneCell)
{
    const int row = StringGrid1->currentRow();
    const int column = StringGrid1->currentColumn();
    if (row < 1 || column < 1 || m_grid.columnCount < 2)
        return;
    const QList<int> columns = oneCell ? QList<int>{column} : valueColumns(m_grid.columnCount);
    ResultList list;
    list.windowCaption = windowTitle();
    QString error;
    // The name of the member at work, painted at once: the breakdown runs without the event loop.
    auto working = [this](const QString& name) {
        Label2->setText(name);
        Label2->repaint();
    };
    const auto ok = runShowingFailure(QString(), [&] {
        const auto clearLabel = qScopeGuard([this] { Label2->clear(); });
        return breakDownIndicators(dbmain(), m_grid, m_shown, row, columns, oneCell, Label1->text(), &list, &error,
                                   working);
    });
    if (ok && !*ok)
        prompts().error(error);
    else if (ok)
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
