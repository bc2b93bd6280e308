#include "entry/ShowTable.h"

#include "core/Common.h"
#include "core/Controls.h"
#include "core/Unit1.h"
#include "entry/ControlRuns.h"
#include "entry/FrmList.h"
#include "entry/GridControls.h"
#include "entry/GridExcel.h"
#include "entry/GridModel.h"
#include "entry/Unit4.h"
#include "platform/Database.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "platform/office/Desktop.h"
#include "platform/office/XlsxReader.h"
#include "platform/office/XlsxWriter.h"
#include "widgets/MenuKeys.h"

#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

TVTable::TVTable(QWidget* parent)
    : QDialog(parent), m_model(std::make_unique<GridModel>())
{
    setObjectName(QStringLiteral("VTable"));
    // Maximised and without a close button: the table is left through "Выход" or Esc, which
    // commit the cell being typed into first.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setWindowState(windowState() | Qt::WindowMaximized);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    buildMenu();
    buildNetworkCommands();
    layout->setMenuBar(MainMenu1);

    auto label = [this, layout](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        layout->addWidget(l);
        return l;
    };
    Label1 = label("Label1");
    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setTextVisible(false);
    Gauge1->setMaximumHeight(6);
    Gauge1->setVisible(false);
    layout->addWidget(Gauge1);
    Label3 = label("Label3");
    Label2 = label("Label2");
    QFont titleFont = Label3->font();
    titleFont.setBold(true);
    Label3->setFont(titleFont);
    Label2->setFont(titleFont);
    StringGrid1 = new TableGridView(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    layout->addWidget(StringGrid1, 1);
    Label4 = label("Label4");
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A refused key's reason may be long: it must not widen the window.
    Label4->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    VTable = this;
    FormCreate();
}

TVTable::~TVTable()
{
    if (VTable == this)
        VTable = nullptr;
}

void TVTable::buildMenu()
{
    MainMenu1 = new QMenuBar(this);
    giveMenuKeys(MainMenu1);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    // The bar keeps the order the parts add their items in.
    buildMovingAndErrorMenus();
    buildChangingMenus();
    buildOutputMenus();
    connect(N4, &QAction::triggered, this, &TVTable::N4Click);
    connect(N1, &QAction::triggered, this, &TVTable::N1Click);
    connect(N2, &QAction::triggered, this, &TVTable::N2Click);
    connect(N3, &QAction::triggered, this, &TVTable::N3Click);
    connect(N6, &QAction::triggered, this, &TVTable::N6Click);
    connect(N7, &QAction::triggered, this, &TVTable::N7Click);
    connect(N9, &QAction::triggered, this, &TVTable::N9Click);
    connect(N10, &QAction::triggered, this, &TVTable::N10Click);
    connect(N39, &QAction::triggered, this, &TVTable::N39Click);
    connect(N40, &QAction::triggered, this, &TVTable::N40Click);
    connect(N41, &QAction::triggered, this, &TVTable::N41Click);
    connect(Excel2, &QAction::triggered, this, &TVTable::Excel2Click);
    buildCommands();
}

QAction* TVTable::addMenuAction(QMenu* menu, const char* name, const QString& caption)
{
    auto* a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    if (menu)
        menu->addAction(a);
    else
        MainMenu1->addAction(a);
    return a;
}

QMenu* TVTable::addBarMenu(const char* name, const QString& caption)
{
    auto* m = new QMenu(caption, this);
    m->setObjectName(QString::fromLatin1(name));
    MainMenu1->addMenu(m);
    return m;
}

void TVTable::buildMovingAndErrorMenus()
{
    N1 = addMenuAction(nullptr, "N1", QStringLiteral("Пред. таблица"));
    N1->setToolTip(QStringLiteral("Перейти к предыдущей таблице - Shift+Tab"));
    N2 = addMenuAction(nullptr, "N2", QStringLiteral("След. таблица"));
    N2->setToolTip(QStringLiteral("Перейти к следующей таблице - Tab"));
    N3 = addMenuAction(nullptr, "N3", QStringLiteral("Контроль"));
    N3->setShortcut(QKeySequence(Qt::Key_F3));
    ErrorsMenu = addBarMenu("ErrorsMenu", QStringLiteral("Ошибки"));
    N7 = addMenuAction(ErrorsMenu, "N7", QStringLiteral("Список"));
    N6 = addMenuAction(ErrorsMenu, "N6", QStringLiteral("Корректировка"));
    N6->setCheckable(true);
    ErrorsMenu->menuAction()->setVisible(false);
    GroupMenu = addBarMenu("GroupMenu", QStringLiteral("Группировать"));
    N9 = addMenuAction(GroupMenu, "N9", QStringLiteral("По столбцам"));
    N10 = addMenuAction(GroupMenu, "N10", QStringLiteral("По строкам"));
    N9->setCheckable(true);
    N10->setCheckable(true);
    N10->setChecked(true);
    auto* grouping = new QActionGroup(this);
    grouping->setExclusive(true);
    grouping->addAction(N9);
    grouping->addAction(N10);
    GroupMenu->menuAction()->setVisible(false);
}

void TVTable::buildChangingMenus()
{
    N5 = addMenuAction(nullptr, "N5", QStringLiteral("Очистить"));
    N11 = addBarMenu("N11", QStringLiteral("Разрезать"));
    N33 = addMenuAction(N11, "N33", QStringLiteral("Ячейку"));
    N34 = addMenuAction(N11, "N34", QStringLiteral("Строку"));
    N42 = addMenuAction(N11, "N42", QStringLiteral("Графу"));
    N11->menuAction()->setVisible(false);
    N14 = addMenuAction(nullptr, "N14", QStringLiteral("Пересчитать таблицу"));
    N14->setVisible(false);
    N35 = addBarMenu("N35", QStringLiteral("Подгрузить таблицу"));
    Excel2 = addMenuAction(N35, "Excel2", QStringLiteral("Подгрузить из Excel"));
    addExchangeLoadCommand();
    N35->menuAction()->setVisible(false);
}

void TVTable::buildOutputMenus()
{
    Excel1 = addBarMenu("Excel1", QStringLiteral("В Excel"));
    N39 = addMenuAction(Excel1, "N39", QStringLiteral("В открытую книгу"));
    N40 = addMenuAction(Excel1, "N40", QStringLiteral("В новую книгу"));
    N41 = addMenuAction(Excel1, "N41", QStringLiteral("В существующий файл"));
    FractionMenu = addBarMenu("FractionMenu", QStringLiteral("Нецелые"));
    N37 = addMenuAction(FractionMenu, "N37", QStringLiteral("Да"));
    N38 = addMenuAction(FractionMenu, "N38", QStringLiteral("Нет"));
    N37->setCheckable(true);
    N38->setCheckable(true);
    N18 = addBarMenu("N18", QStringLiteral("Настройка"));
    N15 = addMenuAction(N18, "N15", QStringLiteral("Строка"));
    N16 = addMenuAction(N18, "N16", QStringLiteral("Графа"));
    N18->menuAction()->setVisible(false);
    N4 = addMenuAction(nullptr, "N4", QStringLiteral("Выход"));
}

void TVTable::FormCreate()
{
    const bool input = WorkMode == QStringLiteral("Input");
    const bool svod = WorkMode == QStringLiteral("Svod");
    N11->menuAction()->setVisible(!input);
    N14->setVisible(svod || NetMode);
    N34->setVisible(!NetMode);
    N35->menuAction()->setVisible(input || svod);
}

void TVTable::FormActivate()
{
    if (!TableShow())
        return;
    N11->menuAction()->setEnabled(NetMode || !InstitutionIdList.trimmed().isEmpty());
    showStatus();
}

bool TVTable::TableShow()
{
    Label1->clear();
    ErrorsMenu->menuAction()->setVisible(false);
    const auto opened = runShowingFailure(QStringLiteral("Таблица не открыта."), [&] {
        return m_model->open(dbmain(), dbdat(), SelectedTableNodeId, CurrentFormName, CurrentFormNumber);
    });
    const GridModel::OpenStatus status = opened.value_or(GridModel::OpenStatus::Refused);
    if (status != GridModel::OpenStatus::Opened) {
        StringGrid1->tableChanged();
        // A failed read was told already.
        if (opened && status == GridModel::OpenStatus::Refused)
            prompts().error(m_model->loadError());
        else if (opened)
            prompts().message(QStringLiteral("Таблица не определена!"));
        // Closed once the modal run is under way: a dialog closed while it is being shown
        // would leave its run waiting.
        QTimer::singleShot(0, this, [this] { QDialog::reject(); });
        return false;
    }
    CurrentTableId = m_model->layout().ident;
    commandsFollowOpenedTable();
    StringGrid1->tableChanged();
    showStatus();
    StringGrid1->setFocus();
    if (!m_model->loadError().isEmpty())
        prompts().error(m_model->loadError());
    return true;
}

void TVTable::commandsFollowOpenedTable()
{
    const TableLayout& t = m_model->layout();
    N37->setChecked(t.floattype != 0);
    N38->setChecked(t.floattype == 0);
    N15->setText(t.scan == 0 ? QStringLiteral("Строка") : QStringLiteral("Графа"));
    N16->setText(t.scan == 0 ? QStringLiteral("Графа") : QStringLiteral("Строка"));
    // Where the grid shows sums or nobody's data, clearing, recalculating or loading the table
    // would write into whoever was chosen last.
    const bool writable = !m_model->readOnly();
    N5->setEnabled(writable);
    N14->setEnabled(writable);
    N35->menuAction()->setEnabled(writable);
    commandsFollowTable();
    // Controls over cells that could not be loaded would report errors the data does not have.
    N3->setEnabled(m_model->loadError().isEmpty());
}

bool TVTable::PutData()
{
    const QString error = m_model->putData();
    StringGrid1->viewport()->update();
    if (error.isEmpty())
        return true;
    saveFailed(error);
    return false;
}

void TVTable::showStatus()
{
    Label4->setText(m_model->isOpen() ? m_model->statusText() : QString());
}

void TVTable::showRefusal(const QString& why)
{
    Label4->setText(m_model->isOpen() ? m_model->statusText() + QStringLiteral(" — ") + why : why);
}

void TVTable::saveFailed(const QString& message)
{
    prompts().error(message);
}

void TVTable::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_firstShow) {
        m_firstShow = false;
        FormActivate();
    }
}

void TVTable::reject()
{
    closeAfterPutData();
}

void TVTable::N4Click()
{
    closeAfterPutData();
}

void TVTable::closeAfterPutData()
{
    QString error = m_model->putData();
    if (error.isEmpty() && m_model->hasUnsavedCells())
        error = m_model->saveUnsaved();
    StringGrid1->viewport()->update();
    if (!error.isEmpty()) {
        saveFailed(error);
        if (!prompts().question(QStringLiteral("Не все значения таблицы сохранены. Закрыть таблицу?")))
            return;
    }
    QDialog::reject();
}

// --- controls, error marks, table navigation, cell picking ------------------------------------

bool TVTable::correctionMode() const
{
    return N6->isChecked();
}

void TVTable::setCorrectionCaptions(bool on)
{
    N1->setText(on ? QStringLiteral("Пред. ошибка") : QStringLiteral("Пред. таблица"));
    N2->setText(on ? QStringLiteral("След. ошибка") : QStringLiteral("След. таблица"));
}

void TVTable::switchCorrectionOff()
{
    N6->setChecked(false);
    setCorrectionCaptions(false);
    m_errorIndex = 0;
    ClearErrorMarks();
}

void TVTable::ClearErrorMarks()
{
    m_model->clearErrorMarks();
    StringGrid1->viewport()->update();
    Label1->clear();
}

void TVTable::ShowCurrentError()
{
    if (m_errorIndex < 0 || m_errorIndex >= ControlErrors.size())
        return;
    const ControlError& error = ControlErrors.at(m_errorIndex);
    // The marks come from the cells the run read, so a line of another table marks nothing here.
    markErrorCells(*m_model, error, CurrentFormName, CurrentFormNumber);
    Label1->setText(error.text);
    // The correction is typed at once into the first cell the failed control read.
    if (const auto cell = firstErrorCell(*m_model, error, CurrentFormName, CurrentFormNumber)) {
        const QString saveError = m_model->moveTo(cell->first, cell->second);
        StringGrid1->ensureFocusedVisible();
        showStatus();
        if (!saveError.isEmpty())
            saveFailed(saveError);
    }
    StringGrid1->viewport()->update();
    StringGrid1->setFocus(Qt::OtherFocusReason);
}

void TVTable::N3Click()
{
    if (!m_model->isOpen())
        return;
    // A value that could not be saved still counts: the check is over what the grid shows.
    PutData();
    ClearControls();
    ControlErrors.clear();
    ErrorsMenu->menuAction()->setVisible(false);
    if (correctionMode())
        switchCorrectionOff();
    const auto outcome = runShowingFailure(QStringLiteral("Контроль не выполнен."), [&] {
        return runGridControls(dbmain(), SelectedTableNodeId, CurrentFormName, CurrentFormNumber, CellValues);
    });
    if (outcome) {
        ErrorsMenu->menuAction()->setVisible(outcome->errors > 0);
        prompts().message(outcome->message);
    }
    // The box took the focus: typing goes on in the cell the check started from.
    activateWindow();
    StringGrid1->setFocus(Qt::OtherFocusReason);
}

void TVTable::N7Click()
{
    PutData();
    ShowResultList(controlErrorsList(windowTitle() + QStringLiteral(" - ошибки контроля: ")
                                     + tableControlsHeading(CurrentFormName, CurrentFormNumber)));
    StringGrid1->setFocus();
}

void TVTable::N6Click()
{
    PutData();
    // The item has already taken its new check.
    const bool on = correctionMode();
    setCorrectionCaptions(on);
    m_errorIndex = 0;
    if (on)
        ShowCurrentError();
    else
        ClearErrorMarks();
}

void TVTable::N1Click()
{
    if (!correctionMode()) {
        moveToTable(-1);
        return;
    }
    if (m_errorIndex > 0) {
        ClearErrorMarks();
        --m_errorIndex;
        ShowCurrentError();
    }
}

void TVTable::N2Click()
{
    if (!correctionMode()) {
        moveToTable(1);
        return;
    }
    if (m_errorIndex < ControlErrors.size() - 1) {
        ClearErrorMarks();
        ++m_errorIndex;
        ShowCurrentError();
    }
}

void TVTable::moveToTable(int step)
{
    if (!FormList || !m_model->isOpen())
        return;
    const std::optional<TreeTablePlace> place =
        neighbourTable(FormList->tree(), SelectedTableNodeId, CurrentFormNumber, step);
    if (!place)
        return;
    QTreeWidgetItem* formNode = FormList->TreeView1->topLevelItem(place->form);
    QTreeWidgetItem* node = formNode ? formNode->child(place->table) : nullptr;
    const std::optional<GridOpening> opening = FormList->gridOpeningForNode(node);
    if (!opening)
        return;
    // Opening another table drops this one's values: a value not yet saved would be lost
    // without a word, so the table stays open until it is saved.
    if (!PutData())
        return;
    if (m_model->hasUnsavedCells()) {
        const QString error = m_model->saveUnsaved();
        StringGrid1->viewport()->update();
        if (!error.isEmpty()) {
            saveFailed(error);
            return;
        }
    }
    FormList->TreeView1->setCurrentItem(node);
    setOpening(*opening);
    TableShow();
}

void TVTable::StringGrid1DblClick()
{
    // Only the expression builder picks: it shows the empty table of nobody's data.
    if (!m_model->isOpen() || m_model->showsNumbers())
        return;
    const int c = m_model->col();
    const int r = m_model->row();
    m_model->setPicked(c, r, !m_model->isPicked(c, r));
    StringGrid1->viewport()->update();
    BuildPickedExpression();
}

void TVTable::N9Click()
{
    N9->setChecked(true);
    BuildPickedExpression();
}

void TVTable::N10Click()
{
    N10->setChecked(true);
    BuildPickedExpression();
}

void TVTable::BuildPickedExpression()
{
    if (!m_model->isOpen())
        return;
    Label1->setText(buildPickedExpression(*m_model, N10->isChecked() ? PickGrouping::ByRows
                                                                      : PickGrouping::ByColumns));
}

// --- Excel ------------------------------------------------------------------------------------

namespace {

const QString kExcelDone = QStringLiteral("Вывод таблицы завершен. Ждите открытия Excel...");

} // namespace

void TVTable::N40Click()
{
    if (!m_model->isOpen() || !PutData())
        return;
    const QString name = gridSheetName(CurrentFormName, CurrentFormNumber);
    const ExcelWorkbook book = gridWorkbook(*m_model, name, windowTitle());
    QString error;
    if (!showWorkbook(book, name, &error)) {
        prompts().error(error);
        return;
    }
    prompts().message(kExcelDone);
}

void TVTable::N41Click()
{
    if (!m_model->isOpen() || !PutData())
        return;
    const QString path = prompts().openFileName(QStringLiteral("Выберите книгу Excel"),
                                                QStringLiteral("Книги Excel (*.xlsx *.xlsm *.xls)"));
    if (path.isEmpty())
        return;
    if (path.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive)) {
        prompts().error(QStringLiteral("Книга в старом формате .xls не может быть дополнена. "
                                       "Сохраните ее в Excel как книгу .xlsx и повторите."));
        return;
    }
    addSheetToWorkbook(path);
}

void TVTable::N39Click()
{
    if (!m_model->isOpen() || !PutData())
        return;
    const QStringList books = openWorkbooks();
    if (books.isEmpty()) {
        prompts().error(QStringLiteral("Нет открытой книги Excel: программа еще не выводила и не открывала книг. "
                                       "Выведите таблицу в новую книгу или в существующий файл."));
        return;
    }
    std::unique_ptr<TForm4> own;
    if (!Form4)
        own = std::make_unique<TForm4>(this);   // without the start-up one, for this export only
    Form4->ListBox1->clear();
    for (const QString& path : books) {
        auto* item = new QListWidgetItem(QFileInfo(path).fileName(), Form4->ListBox1);
        item->setToolTip(QDir::toNativeSeparators(path));
    }
    Form4->ListBox1->setCurrentRow(0);
    const bool chosen = prompts().exec(*Form4) == QDialog::Accepted;
    const int index = Form4->ListBox1->currentRow();
    Form4->ListBox1->clear();
    if (chosen && index >= 0 && index < books.size())
        addSheetToWorkbook(books[index]);
}

void TVTable::addSheetToWorkbook(const QString& path)
{
    const QString name = gridSheetName(CurrentFormName, CurrentFormNumber);
    // The sheet of the table is sent anew in its place: a second one beside it would leave the
    // load reading the older figures.
    if (XlsxReader present; present.read(path) && present.workbook().findSheet(name)
        && !prompts().question(QStringLiteral("В книге %1 уже есть лист «%2». Заменить его?")
                                   .arg(QDir::toNativeSeparators(path), name)))
        return;
    ExcelWorkbook book = gridWorkbook(*m_model, name, windowTitle());
    XlsxWriter writer;
    if (!writer.addSheetsToFile(path, book, XlsxWriter::SameNameSheet::Replaced)) {
        prompts().error(writer.errorString());
        return;
    }
    QString error;
    if (!showWorkbookFile(path, &error)) {
        prompts().error(error);
        return;
    }
    prompts().message(kExcelDone);
}

void TVTable::Excel2Click()
{
    if (!m_model->isOpen() || m_model->readOnly() || !PutData())
        return;
    const QString path = prompts().openFileName(QStringLiteral("Выберите книгу Excel"),
                                                QStringLiteral("Книги Excel (*.xlsx *.xlsm)"));
    if (path.isEmpty())
        return;
    XlsxReader reader;
    if (!reader.read(path)) {
        prompts().error(reader.errorString());
        return;
    }
    QList<StoredValue> values;
    QString error;
    if (!readGridSheet(reader.workbook(), gridSheetNames(CurrentFormName, CurrentFormNumber),
                       m_model->layout(), &values, &error)) {
        prompts().error(error);
        return;
    }
    if (!runShowingFailure(QStringLiteral("Таблица не подгружена, прежние значения сохранены."),
                           [&] { replaceTableValues(dbdat(), m_model->context(), m_model->tableIdent(), values); }))
        return;
    TableShow();
}

void TVTable::setOpening(const GridOpening& opening)
{
    SelectedTableNodeId = opening.formId;
    CurrentFormNumber = opening.tableNumber;
    CurrentFormName = opening.formName;
    CurrentTableId = opening.tableId;
    Label3->setText(opening.formText);
    Label2->setText(opening.tableText);
}

int openTableGrid(const GridOpening& opening, QWidget* parent, const QString& caption,
                  const std::function<void(TVTable&)>& prepare, const std::function<void(TVTable&)>& done)
{
    TVTable grid(parent);
    grid.setOpening(opening);
    grid.setWindowTitle(caption);
    if (prepare)
        prepare(grid);
    const int result = prompts().exec(grid);
    if (done)
        done(grid);
    return result;
}
