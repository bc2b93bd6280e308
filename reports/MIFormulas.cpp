#include "reports/MIFormulas.h"

#include "core/Common.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "reports/IndicatorForms.h"
#include "reports/Indicators.h"
#include "reports/Statistics.h"
#include "widgets/MenuKeys.h"

#include <QAction>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int RowRole = Qt::UserRole;

// A title's line breaks as the grid and the field show them.
QString onScreen(const QString& shown)
{
    QString text = shown;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

} // namespace

TMIForms::TMIForms(int term, const QString& setName, QWidget* parent)
    : QDialog(parent)
    , m_term(term)
{
    MIForms = this;
    setObjectName(QStringLiteral("MIForms"));
    setWindowTitle(QStringLiteral("Состав набора показателей"));

    auto* bar = new QMenuBar(this);
    giveMenuKeys(bar);
    auto add = [&](QMenu* menu, const QString& name, const QString& caption, void (TMIForms::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        m_actions << a;
        return a;
    };
    QMenu* addMenu = bar->addMenu(QStringLiteral("Добавить"));
    QMenu* rowMenu = addMenu->addMenu(QStringLiteral("Строку"));
    add(rowMenu, QStringLiteral("N10"), QStringLiteral("Перед текущей"), &TMIForms::N10Click);
    add(rowMenu, QStringLiteral("N2"), QStringLiteral("В конец"), &TMIForms::N2Click);
    // Rows are about to move: what was typed for the current cell is stored first.
    connect(rowMenu, &QMenu::aboutToShow, this, &TMIForms::storeIfEdited);
    QMenu* columnMenu = addMenu->addMenu(QStringLiteral("Графу"));
    add(columnMenu, QStringLiteral("N16"), QStringLiteral("Перед текущей"), &TMIForms::N16Click);
    add(columnMenu, QStringLiteral("N3"), QStringLiteral("В конец"), &TMIForms::N3Click);
    add(addMenu, QStringLiteral("N4"), QStringLiteral("Идентификатор"), &TMIForms::N4Click);
    QMenu* deleteMenu = bar->addMenu(QStringLiteral("Удалить"));
    add(deleteMenu, QStringLiteral("N6"), QStringLiteral("Строку"), &TMIForms::N6Click);
    add(deleteMenu, QStringLiteral("N7"), QStringLiteral("Графу"), &TMIForms::N7Click);
    add(deleteMenu, QStringLiteral("N8"), QStringLiteral("Идентификатор"), &TMIForms::N8Click);
    QMenu* sizeMenu = bar->addMenu(QStringLiteral("Размеры"));
    add(sizeMenu, QStringLiteral("N14"), QStringLiteral("Включить"), &TMIForms::N14Click)->setCheckable(true);
    add(sizeMenu, QStringLiteral("N15"), QStringLiteral("Сохранить"), &TMIForms::N15Click);
    add(sizeMenu, QStringLiteral("N9"), QStringLiteral("Установить стандартные"), &TMIForms::N9Click);
    QAction* quit = bar->addAction(QStringLiteral("Выход"));
    quit->setObjectName(QStringLiteral("N12"));
    connect(quit, &QAction::triggered, this, &QDialog::reject);
    m_actions << quit;

    Label1 = new QLabel(setName, this);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);

    StringGrid1 = new QTableWidget(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setWordWrap(true);
    for (QHeaderView* header : {StringGrid1->horizontalHeader(), StringGrid1->verticalHeader()}) {
        header->setMinimumSectionSize(4);
        header->setSectionResizeMode(QHeaderView::Interactive);
        header->hide();
    }

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setTabChangesFocus(true);
    BitBtn1 = new QPushButton(QStringLiteral("Ok"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);

    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit4 = new QLineEdit(this);
    Edit4->setObjectName(QStringLiteral("Edit4"));
    auto* scope = new QGroupBox(this);
    RadioTable = new QRadioButton(QStringLiteral("т"), scope);
    RadioTable->setToolTip(QStringLiteral("Во всей таблице"));
    RadioColumn = new QRadioButton(QStringLiteral("г"), scope);
    RadioColumn->setToolTip(QStringLiteral("В текущей графе"));
    RadioRow = new QRadioButton(QStringLiteral("с"), scope);
    RadioRow->setToolTip(QStringLiteral("В текущей строке"));
    RadioTable->setChecked(true);
    auto* scopeLayout = new QHBoxLayout(scope);
    scopeLayout->setContentsMargins(6, 0, 6, 0);
    scopeLayout->addWidget(RadioTable);
    scopeLayout->addWidget(RadioColumn);
    scopeLayout->addWidget(RadioRow);
    BitBtn3 = new QPushButton(QStringLiteral("Заменить"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(Label1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(StringGrid1, 3);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(new QLabel(QStringLiteral("Идентификаторы"), this));
    listColumn->addWidget(ListBox1);
    middle->addLayout(listColumn, 1);
    layout->addLayout(middle, 1);
    auto* edit = new QHBoxLayout;
    edit->addWidget(Memo1, 1);
    edit->addWidget(BitBtn1, 0, Qt::AlignTop);
    layout->addLayout(edit);
    Memo1->setFixedHeight(Memo1->fontMetrics().lineSpacing() * 4 + 12);
    auto* replace = new QHBoxLayout;
    replace->addWidget(new QLabel(QStringLiteral("Заменить"), this));
    replace->addWidget(Edit2, 1);
    replace->addWidget(new QLabel(QStringLiteral("на"), this));
    replace->addWidget(Edit4, 1);
    replace->addWidget(scope);
    replace->addWidget(BitBtn3);
    layout->addLayout(replace);
    resize(860, 560);

    StringGrid1->installEventFilter(this);
    StringGrid1->viewport()->installEventFilter(this);
    ListBox1->installEventFilter(this);
    ListBox1->viewport()->installEventFilter(this);
    connect(StringGrid1, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { StringGrid1SelectCell(row, column); });
    connect(ListBox1, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item)
            ListBox1Click();
    });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_settingMemo)
            m_edited = true;
    });
    connect(BitBtn1, &QPushButton::clicked, this, &TMIForms::BitBtn1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TMIForms::BitBtn3Click);
    FormActivate();
}

TMIForms::~TMIForms()
{
    if (MIForms == this)
        MIForms = nullptr;
}

QAction* TMIForms::action(const QString& name) const
{
    for (QAction* a : m_actions)
        if (a->objectName() == name)
            return a;
    return nullptr;
}

QString TMIForms::cellText(int row, int column) const
{
    const QTableWidgetItem* item = StringGrid1->item(row, column);
    return item ? item->text() : QString();
}

void TMIForms::setCellText(int row, int column, const QString& shown)
{
    QTableWidgetItem* item = StringGrid1->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        if (row == 0 || column == 0)
            item->setBackground(palette().button());
        StringGrid1->setItem(row, column, item);
    }
    item->setText(onScreen(shown));
    // Columns are narrow beside long formulas: the whole text on hovering.
    item->setToolTip(shown.trimmed().isEmpty() ? QString() : onScreen(shown));
}

void TMIForms::fillRow(int row)
{
    for (int c = 0; c < StringGrid1->columnCount(); ++c)
        setCellText(row, c, QString());
    StringGrid1->setRowHeight(row, kIndicatorRowHeight);
}

void TMIForms::fillColumn(int column)
{
    for (int r = 0; r < StringGrid1->rowCount(); ++r)
        setCellText(r, column, QString());
    StringGrid1->setColumnWidth(column, kIndicatorColumnWidth);
}

void TMIForms::FormActivate()
{
    IndicatorGrid grid;
    QList<IndicatorIdentifier> identifiers;
    QString error;
    const auto loaded = runShowingFailure(QStringLiteral("Состав набора показателей не прочитан."), [&] {
        if (!loadIndicatorGrid(dbmain(), m_term, &grid, &error)) {
            prompts().error(error);
            return false;
        }
        identifiers = loadIndicatorIdentifiers(dbmain(), m_term);
        return true;
    });
    if (loaded.value_or(false)) {
        showGrid(grid);
        ListBox1->clear();
        for (const IndicatorIdentifier& id : identifiers) {
            auto* item = new QListWidgetItem(id.text, ListBox1);
            item->setData(RowRole, id.row);
        }
        m_loaded = true;
        StringGrid1->setCurrentCell(1, 1);
    }
    updateActions();
}

void TMIForms::showGrid(const IndicatorGrid& grid)
{
    // A set without titles still offers a title row, a title column and one formula cell.
    const int columns = qMax(grid.columnCount, 2);
    const int rows = qMax(grid.rowCount, 2);
    StringGrid1->clear();
    StringGrid1->setColumnCount(columns);
    StringGrid1->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            setCellText(r, c, indicatorShownText(grid.cell(c, r)));
        const int height = grid.heights.value(r);
        StringGrid1->setRowHeight(r, height > 0 ? height : kIndicatorRowHeight);
    }
    for (int c = 0; c < columns; ++c) {
        const int width = grid.widths.value(c);
        StringGrid1->setColumnWidth(c, width > 0 ? width : kIndicatorColumnWidth);
    }
    numberHeaders();
}

void TMIForms::updateActions()
{
    // Nothing is written into a set that could not be read; a command without its cell or
    // identifier is off.
    const int row = StringGrid1->currentRow();
    const int column = StringGrid1->currentColumn();
    for (QAction* a : m_actions)
        if (a->objectName() != QLatin1String("N12"))
            a->setEnabled(m_loaded);
    if (!m_loaded) {
        BitBtn1->setEnabled(false);
        BitBtn3->setEnabled(false);
        return;
    }
    action(QStringLiteral("N10"))->setEnabled(row >= 1);
    action(QStringLiteral("N16"))->setEnabled(column >= 1);
    action(QStringLiteral("N6"))->setEnabled(row >= 0);
    action(QStringLiteral("N7"))->setEnabled(column >= 0);
    action(QStringLiteral("N8"))->setEnabled(ListBox1->currentItem() != nullptr);
}

void TMIForms::showInMemo(const Target& target, const QString& text)
{
    // Typing not stored yet goes to what it was typed for before the field shows another text,
    // as a table cell is stored when left.
    storeIfEdited();
    m_target = target;
    m_settingMemo = true;
    Memo1->setPlainText(text);
    m_settingMemo = false;
    m_edited = false;
    updateActions();
}

void TMIForms::StringGrid1SelectCell(int row, int column)
{
    if (row < 0 || column < 0) {
        showInMemo({}, QString());
        return;
    }
    showInMemo({Mode::Grid, row, column, nullptr}, cellText(row, column));
}

void TMIForms::StringGrid1Enter()
{
    // The field now edits the grid's cell, not the identifier it may still show.
    ListBox1->clearSelection();
    ListBox1->setCurrentItem(nullptr);
    const int row = StringGrid1->currentRow(), column = StringGrid1->currentColumn();
    if (row >= 0 && column >= 0)
        StringGrid1->setRangeSelected(QTableWidgetSelectionRange(row, column, row, column), true);
    if (m_target.mode == Mode::Grid && m_target.row == row && m_target.column == column)
        return;
    StringGrid1SelectCell(row, column);
}

void TMIForms::ListBox1Enter()
{
    QListWidgetItem* item = ListBox1->currentItem();
    if (!item || (m_target.mode == Mode::List && m_target.item == item))
        return;
    ListBox1Click();
}

void TMIForms::ListBox1Click()
{
    QListWidgetItem* item = ListBox1->currentItem();
    if (!item)
        return;
    // Only what the field edits stands marked.
    StringGrid1->clearSelection();
    showInMemo({Mode::List, -1, -1, item}, item->text());
}

void TMIForms::BitBtn1Click()
{
    if (!m_loaded)
        return;
    const QString typed = Memo1->toPlainText();
    // A failed store is told; the typing stays in the field for another "Ok".
    m_edited = false;
    if (m_target.mode == Mode::List)
        storeIdentifier(typed);
    else
        storeCell(typed);
}

void TMIForms::storeIdentifier(const QString& typed)
{
    QListWidgetItem* item = m_target.item;
    if (!item)
        return;
    if (!storeUnreadable(indicatorNamedValueError(cleanIndicatorText(typed, IndicatorTextKind::Identifier)),
                         QStringLiteral("идентификатор")))
        return;
    QString stored;
    if (!runShowingFailure(QStringLiteral("Идентификатор не сохранен."), [&] {
            stored = storeIndicatorIdentifier(dbmain(), m_term, item->data(RowRole).toInt(), typed);
        }))
        return;
    item->setText(stored);
    showStored(stored);
}

void TMIForms::storeCell(const QString& typed)
{
    const int row = m_target.row, column = m_target.column;
    if (row < 0 || column < 0 || row >= StringGrid1->rowCount() || column >= StringGrid1->columnCount())
        return;
    const bool formula = row >= 1 && column >= 1;
    if (formula
        && !storeUnreadable(indicatorFormulaError(cleanIndicatorText(typed, IndicatorTextKind::Formula)),
                            QStringLiteral("формулу")))
        return;
    const QString what = formula ? QStringLiteral("Формула не сохранена.") : QStringLiteral("Заголовок не сохранен.");
    const auto stored = runShowingFailure(what, [&] {
        return storeIndicatorCell(dbmain(), m_term, column, row, typed, StringGrid1->columnWidth(column),
                                  StringGrid1->rowHeight(row));
    });
    if (!stored)
        return;
    setCellText(row, column, *stored);
    showStored(onScreen(*stored));
}

void TMIForms::showStored(const QString& text)
{
    m_settingMemo = true;
    Memo1->setPlainText(text);
    m_settingMemo = false;
}

bool TMIForms::storeUnreadable(const QString& error, const QString& what)
{
    // The statistics view would mark the cell it cannot read; better said now than there.
    if (error.isEmpty() || prompts().question(error + QStringLiteral(".\nСохранить %1 как есть?").arg(what)))
        return true;
    // Not stored: the typing stays in the field to be mended, and leaving it asks again.
    m_edited = true;
    return false;
}

void TMIForms::storeIfEdited()
{
    if (m_edited)
        BitBtn1Click();
}

void TMIForms::done(int result)
{
    storeIfEdited();
    QDialog::done(result);
}

void TMIForms::N2Click()
{
    storeIfEdited();
    const int row = StringGrid1->rowCount();
    if (!runShowingFailure(QStringLiteral("Строка не добавлена."), [&] {
            addIndicatorRow(dbmain(), m_term, row, kIndicatorRowHeight);
        }))
        return;
    StringGrid1->insertRow(row);
    fillRow(row);
    numberHeaders();
    setCellText(row, 0, newIndicatorRowTitle());
    StringGrid1->setCurrentCell(row, qMax(StringGrid1->currentColumn(), 0));
}

void TMIForms::N10Click()
{
    storeIfEdited();
    const int row = StringGrid1->currentRow();
    if (row < 1)
        return;
    if (!runShowingFailure(QStringLiteral("Строка не добавлена."), [&] { insertIndicatorRow(dbmain(), m_term, row); }))
        return;
    const int column = StringGrid1->currentColumn();
    StringGrid1->insertRow(row);
    fillRow(row);
    numberHeaders();
    StringGrid1->setCurrentCell(row, column);
    StringGrid1SelectCell(row, column);
}

void TMIForms::N3Click()
{
    storeIfEdited();
    const int column = StringGrid1->columnCount();
    if (!runShowingFailure(QStringLiteral("Графа не добавлена."), [&] {
            addIndicatorColumn(dbmain(), m_term, column, kIndicatorColumnWidth);
        }))
        return;
    StringGrid1->insertColumn(column);
    fillColumn(column);
    numberHeaders();
    setCellText(0, column, newIndicatorColumnTitle());
    StringGrid1->setCurrentCell(qMax(StringGrid1->currentRow(), 0), column);
}

void TMIForms::N16Click()
{
    storeIfEdited();
    const int column = StringGrid1->currentColumn();
    if (column < 1)
        return;
    if (!runShowingFailure(QStringLiteral("Графа не добавлена."), [&] { insertIndicatorColumn(dbmain(), m_term, column); }))
        return;
    const int row = StringGrid1->currentRow();
    StringGrid1->insertColumn(column);
    fillColumn(column);
    numberHeaders();
    StringGrid1->setCurrentCell(row, column);
    StringGrid1SelectCell(row, column);
}

void TMIForms::N4Click()
{
    storeIfEdited();
    int row = 0;
    if (!runShowingFailure(QStringLiteral("Идентификатор не добавлен."), [&] {
            row = addIndicatorIdentifier(dbmain(), m_term);
        }))
        return;
    auto* item = new QListWidgetItem(newIndicatorIdentifierText(), ListBox1);
    item->setData(RowRole, row);
    ListBox1->setCurrentItem(item);
    ListBox1Click();
}

void TMIForms::N6Click()
{
    storeIfEdited();
    const int row = StringGrid1->currentRow();
    if (row < 0)
        return;
    if (row == 0) {
        prompts().error(QStringLiteral("Нельзя удалить заголовки столбцов!"));
        return;
    }
    if (!runShowingFailure(QStringLiteral("Строка не удалена."), [&] { deleteIndicatorRow(dbmain(), m_term, row); }))
        return;
    StringGrid1->removeRow(row);
    numberHeaders();
    StringGrid1SelectCell(StringGrid1->currentRow(), StringGrid1->currentColumn());
}

void TMIForms::N7Click()
{
    storeIfEdited();
    const int column = StringGrid1->currentColumn();
    if (column < 0)
        return;
    if (column == 0) {
        prompts().error(QStringLiteral("Нельзя удалить заголовки строк!"));
        return;
    }
    if (!runShowingFailure(QStringLiteral("Графа не удалена."), [&] { deleteIndicatorColumn(dbmain(), m_term, column); }))
        return;
    StringGrid1->removeColumn(column);
    numberHeaders();
    StringGrid1SelectCell(StringGrid1->currentRow(), StringGrid1->currentColumn());
}

void TMIForms::N8Click()
{
    storeIfEdited();
    QListWidgetItem* item = ListBox1->currentItem();
    if (!item)
        return;
    if (!runShowingFailure(QStringLiteral("Идентификатор не удален."), [&] {
            deleteIndicatorIdentifier(dbmain(), m_term, item->data(RowRole).toInt());
        }))
        return;
    const bool shown = m_target.item == item;
    delete item;
    if (shown) {
        m_target = {};
        if (ListBox1->currentItem())
            ListBox1Click();
        else
            showInMemo({}, QString());
    }
    updateActions();
}

void TMIForms::numberHeaders()
{
    // The strips number rows and columns as the dictionary does: the titles are 0, unnumbered.
    QStringList columns, rows;
    for (int c = 0; c < StringGrid1->columnCount(); ++c)
        columns << (c == 0 ? QString() : QString::number(c));
    for (int r = 0; r < StringGrid1->rowCount(); ++r)
        rows << (r == 0 ? QString() : QString::number(r));
    StringGrid1->setHorizontalHeaderLabels(columns);
    StringGrid1->setVerticalHeaderLabels(rows);
}

void TMIForms::showSizes(bool on)
{
    // The borders are dragged on the header strips, which stand for the fixed title row and
    // column; without them the sizes stay as they are.
    StringGrid1->horizontalHeader()->setVisible(on);
    StringGrid1->verticalHeader()->setVisible(on);
    QAction* toggle = action(QStringLiteral("N14"));
    toggle->setChecked(on);
    toggle->setText(on ? QStringLiteral("Выключить") : QStringLiteral("Включить"));
}

void TMIForms::N14Click() { showSizes(!StringGrid1->horizontalHeader()->isVisible()); }

void TMIForms::N15Click()
{
    storeIfEdited();
    QList<int> widths, heights;
    for (int c = 0; c < StringGrid1->columnCount(); ++c)
        widths << StringGrid1->columnWidth(c);
    for (int r = 0; r < StringGrid1->rowCount(); ++r)
        heights << StringGrid1->rowHeight(r);
    QString corner = cellText(0, 0);
    if (corner.isEmpty())
        corner = QStringLiteral(" ");
    if (!runShowingFailure(QStringLiteral("Размеры не сохранены."), [&] {
            saveIndicatorSizes(dbmain(), m_term, cleanIndicatorText(corner, IndicatorTextKind::Title), widths, heights);
        }))
        return;
    setCellText(0, 0, corner);
}

void TMIForms::N9Click()
{
    storeIfEdited();
    if (!runShowingFailure(QStringLiteral("Размеры не сохранены."), [&] { setStandardIndicatorSizes(dbmain(), m_term); }))
        return;
    for (int c = 0; c < StringGrid1->columnCount(); ++c)
        StringGrid1->setColumnWidth(c, kIndicatorColumnWidth);
    for (int r = 0; r < StringGrid1->rowCount(); ++r)
        StringGrid1->setRowHeight(r, kIndicatorRowHeight);
}

void TMIForms::BitBtn3Click()
{
    storeIfEdited();
    if (!m_loaded)
        return;
    if (Edit2->text().isEmpty()) {
        prompts().error(QStringLiteral("Не указан текст, который нужно заменить."));
        return;
    }
    // Without a current cell the column or row scope is no cell at all, never the whole table.
    int row = -1, column = -1;
    if (RadioColumn->isChecked())
        column = qMax(StringGrid1->currentColumn(), 0);
    else if (RadioRow->isChecked())
        row = qMax(StringGrid1->currentRow(), 0);
    // A replacement that breaks formulas is made only when the user says so, as a typed formula is.
    auto accept = [](const QList<IndicatorCellChange>& proposed) {
        const QString question = brokenFormulasQuestion(proposed);
        return question.isEmpty() || prompts().question(question);
    };
    QList<IndicatorCellChange> changes;
    if (!runShowingFailure(QStringLiteral("Формулы не изменены."), [&] {
            replaceInIndicatorFormulas(dbmain(), m_term, Edit2->text(), Edit4->text(), row, column, &changes, accept);
        }))
        return;
    showChanges(changes);
}

void TMIForms::showChanges(const QList<IndicatorCellChange>& changes)
{
    for (const IndicatorCellChange& c : changes)
        if (c.row < StringGrid1->rowCount() && c.column < StringGrid1->columnCount())
            setCellText(c.row, c.column, c.text);
    for (const IndicatorCellChange& c : changes)
        if (m_target.mode == Mode::Grid && c.row == m_target.row && c.column == m_target.column)
            showInMemo(m_target, cellText(c.row, c.column));
}

bool TMIForms::eventFilter(QObject* watched, QEvent* event)
{
    // A click on a view enters it as the focus does, even where it had the focus already.
    // The focus coming back after a menu or another window is no entering.
    const QEvent::Type type = event->type();
    bool entering = type == QEvent::MouseButtonPress;
    if (type == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        entering = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
    }
    if (entering) {
        if (watched == StringGrid1 || watched == StringGrid1->viewport()) {
            StringGrid1Enter();
        } else if (watched == ListBox1 || watched == ListBox1->viewport()) {
            ListBox1Enter();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TMIForms::keyPressEvent(QKeyEvent* event)
{
    // Enter in the replace fields must not end the window; Esc closes it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}
