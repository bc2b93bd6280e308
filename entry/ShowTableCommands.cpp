// The grid window's remaining commands: clearing and recalculating the table, the fraction
// flag, the check sums, the keys F4, F8, F9, Alt+Right and Alt+Left, and the header cell editor.

#include "entry/ShowTable.h"

#include "core/CheckSums.h"
#include "core/Common.h"
#include "core/Unit1.h"
#include "entry/GridCommands.h"
#include "entry/GridModel.h"
#include "entry/HeaderEdit.h"
#include "entry/TabTitle.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QLayout>
#include <QProgressBar>
#include <QScopeGuard>

namespace {

QString unsignedText(quint32 h)
{
    return QString::number(h);
}

// A box or the editor took the focus: typing goes on in the grid's cell.
void backToGrid(TVTable& window)
{
    window.activateWindow();
    window.StringGrid1->setFocus(Qt::OtherFocusReason);
}

} // namespace

void TVTable::buildCommands()
{
    // Hidden until F8: a check sum per column or row is a tool for finding which cells of a
    // printed copy differ, not an everyday command.
    N43 = new QMenu(QStringLiteral("Контрольная сумма"), this);
    N43->setObjectName(QStringLiteral("N43"));
    MainMenu1->insertMenu(N4, N43);
    N44 = N43->addAction(QStringLiteral("по графе"));
    N44->setObjectName(QStringLiteral("N44"));
    N45 = N43->addAction(QStringLiteral("по строке"));
    N45->setObjectName(QStringLiteral("N45"));
    N43->menuAction()->setVisible(false);

    auto key = [this](const char* name, const QKeySequence& sequence) {
        auto* a = new QAction(this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(sequence);
        addAction(a);
        return a;
    };
    ChecksumKey = key("ChecksumKey", QKeySequence(Qt::Key_F4));
    ChecksumMenuKey = key("ChecksumMenuKey", QKeySequence(Qt::Key_F8));
    FractionKey = key("FractionKey", QKeySequence(Qt::Key_F9));
    NextTableKey = key("NextTableKey", QKeySequence(Qt::AltModifier | Qt::Key_Right));
    PreviousTableKey = key("PreviousTableKey", QKeySequence(Qt::AltModifier | Qt::Key_Left));

    connect(N5, &QAction::triggered, this, &TVTable::N5Click);
    connect(N14, &QAction::triggered, this, &TVTable::N14Click);
    connect(N37, &QAction::triggered, this, &TVTable::N37Click);
    connect(N38, &QAction::triggered, this, &TVTable::N38Click);
    connect(N44, &QAction::triggered, this, &TVTable::N44Click);
    connect(N45, &QAction::triggered, this, &TVTable::N45Click);
    connect(ChecksumKey, &QAction::triggered, this, &TVTable::F4Click);
    connect(ChecksumMenuKey, &QAction::triggered, this, &TVTable::F8Click);
    connect(FractionKey, &QAction::triggered, this, &TVTable::F9Click);
    connect(NextTableKey, &QAction::triggered, this, &TVTable::N2Click);
    connect(PreviousTableKey, &QAction::triggered, this, &TVTable::N1Click);
}

void TVTable::commandsFollowTable()
{
    // The stored table's sum belongs to one owner: in a grid of sums, of nobody's data or of
    // cells that could not be loaded it would describe something else than what is shown.
    ChecksumKey->setEnabled(!m_model->readOnly());
}

void TVTable::valuesReplaced()
{
    m_model->valuesReplaced();
    StringGrid1->viewport()->update();
    showStatus();
}

void TVTable::N5Click()
{
    if (!m_model->isOpen() || m_model->readOnly())
        return;
    if (!prompts().question(QStringLiteral("Удалить содержимое таблицы?")))
        return;
    QString error;
    const auto cleared = runShowingFailure(QStringLiteral("Таблица не очищена, значения сохранены."), [&] {
        return clearGridTable(dbdat(), m_model->context(), m_model->tableIdent(), &error);
    });
    if (!cleared)
        return;
    if (!*cleared) {
        prompts().error(error);
        return;
    }
    CellValues.fillZero();
    valuesReplaced();
    backToGrid(*this);
}

void TVTable::F4Click()
{
    if (!m_model->isOpen() || m_model->readOnly() || !PutData())
        return;
    const auto sum = runShowingFailure(QString(), [&] {
        return TableDataChecksum(m_model->context().institutionId, m_model->tableIdent());
    });
    if (!sum)
        return;
    prompts().message(unsignedText(quint32(*sum)));
    backToGrid(*this);
}

void TVTable::N44Click()
{
    if (!m_model->isOpen())
        return;
    PutData();
    prompts().message(unsignedText(shownValuesChecksum(gridColumnValues(*m_model, m_model->col()))));
    backToGrid(*this);
}

void TVTable::N45Click()
{
    if (!m_model->isOpen())
        return;
    PutData();
    prompts().message(unsignedText(shownValuesChecksum(gridRowValues(*m_model, m_model->row()))));
    backToGrid(*this);
}

void TVTable::F8Click()
{
    N43->menuAction()->setVisible(!N43->menuAction()->isVisible());
}

void TVTable::F9Click()
{
    if (!m_model->isOpen())
        return;
    // Only this window shows and takes fractions now; the table's stored flag stays.
    m_model->setFractions(!m_model->showTwoDecimals());
    StringGrid1->viewport()->update();
}

namespace {

// `on` is what the item chose, `was` the flag its ticks showed before the click (the clicked
// item has already turned its own tick).
void storeFractions(TVTable& window, bool on, bool was)
{
    bool stored = was;
    if (window.model().isOpen()) {
        if (runShowingFailure(QStringLiteral("Признак нецелых значений не сохранен."),
                              [&] { storeFloatType(dbmain(), window.model().tableIdent(), on); }))
            stored = on;
    }
    window.N37->setChecked(stored);
    window.N38->setChecked(!stored);
    if (stored != on)
        return;
    window.model().setFractions(on);
    window.StringGrid1->viewport()->update();
}

} // namespace

void TVTable::N37Click()
{
    storeFractions(*this, true, !N38->isChecked());
}

void TVTable::N38Click()
{
    storeFractions(*this, false, N37->isChecked());
}

void TVTable::N14Click()
{
    if (!m_model->isOpen() || m_model->readOnly())
        return;
    const GridRecalcResult result = recalculateWithProgress();
    if (result.saved) {
        CellValues = result.cells;
        valuesReplaced();
    }
    if (!result.problems.isEmpty())
        ShowResultList(formationProblemsList(result.problems, windowTitle()));
    if (result.failed)
        prompts().error(result.message);
    else if (!result.message.isEmpty())
        prompts().message(result.message);
    backToGrid(*this);
}

GridRecalcResult TVTable::recalculateWithProgress()
{
    const auto hideProgress = qScopeGuard([this] {
        Label1->clear();
        Gauge1->setVisible(false);
    });
    return recalculateGridTable(
        prompts(), m_model->tableIdent(),
        [this](const QString& text) {
            Label1->setText(text);
            Label1->repaint();
        },
        [this](int done, int total) {
            // The sum runs without the event loop: the bar is laid out and painted at once.
            if (!Gauge1->isVisible()) {
                Gauge1->setVisible(true);
                layout()->activate();
            }
            Gauge1->setRange(0, qMax(total, 1));
            Gauge1->setValue(done);
            Gauge1->repaint();
        });
}

void TVTable::Image1DblClick(int header)
{
    if (!m_model->isOpen() || header < 0 || header >= m_model->headers().size())
        return;
    const HeaderCell cell = m_model->headers().at(header).cell;
    TTitles editor(this);
    editor.fill(headerEditOf(cell));
    if (prompts().exec(editor) == QDialog::Accepted) {
        runShowingFailure(QStringLiteral("Заголовок не сохранен."), [&] {
            saveHeaderEdit(dbmain(), m_model->tableIdent(), cell.column, cell.row, editor.edit());
            m_model->reloadHeaders(dbmain());
        });
        StringGrid1->headersChanged();
    }
    backToGrid(*this);
}
