// The grid's commands over a network table's conditions and the breakdown of its figures.

#include "entry/ShowTable.h"

#include "core/Common.h"
#include "core/NetConditions.h"
#include "core/Unit1.h"
#include "entry/GridModel.h"
#include "entry/NetworkGrid.h"
#include "entry/charNT.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>

namespace {

// F5, F6, F7 and F11 of the window: seen before the grid passes them on, used only in network
// mode (elsewhere they reach the window unchanged and do nothing).
class NetworkKeys : public QObject {
public:
    explicit NetworkKeys(TVTable* window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_window || event->type() != QEvent::KeyPress
            || !m_window->model().context().netMode || !m_window->model().isOpen())
            return false;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_F5: m_window->N15Click(); return true;
        case Qt::Key_F6: m_window->N16Click(); return true;
        case Qt::Key_F7: m_window->N32Click(); return true;
        case Qt::Key_F11: {
            QAction* menu = m_window->N18->menuAction();
            menu->setVisible(!menu->isVisible());
            return true;
        }
        default: return false;
        }
    }

private:
    TVTable* m_window;
};

void openConditionDialog(TVTable& window, ConditionPlace place, bool reduced)
{
    GridModel& model = window.model();
    if (!model.isOpen() || !model.context().netMode)
        return;
    const int tid = model.tableIdent();
    const int scan = model.layout().scan;
    const int c = model.col();
    const int r = model.row();
    const NetCondition address = conditionAt(tid, place, c, r);
    const auto found = runShowingFailure(QStringLiteral("Условие не прочитано."),
                                         [&] { return NetConditions::find(dbmain(), tid, address.row, address.column); });
    if (!found)
        return;
    const std::optional<NetCondition>& stored = *found;

    TNTChar dialog(&window);
    dialog.Label1->setText(window.Label2->text() + QLatin1Char('\n') + conditionTitle(model, place));
    dialog.setReduced(reduced);
    dialog.setRecord(stored ? *stored : address, stored.has_value());
    if (place == ConditionPlace::Cell)
        dialog.setCellDialog([tid, scan, c, r] {
            return composeCellCondition(NetConditions::read(dbmain(), tid), scan, c, r);
        });
    const int result = prompts().exec(dialog);
    runShowingFailure(QStringLiteral("Условие не сохранено."), [&] {
        if (result == QDialog::Accepted) {
            QString error;
            if (!NetConditions::save(dbmain(), dialog.record(), &error))
                prompts().error(QStringLiteral("Условие не сохранено: ") + error);
        } else if (result == TNTChar::DeleteResult && stored) {
            NetConditions::remove(dbmain(), tid, address.row, address.column);
        }
    });
    window.StringGrid1->setFocus(Qt::OtherFocusReason);
}

} // namespace

void TVTable::buildNetworkCommands()
{
    N32 = new QAction(QStringLiteral("Ячейка"), this);
    N32->setObjectName(QStringLiteral("N32"));
    N18->addAction(N32);
    connect(N15, &QAction::triggered, this, &TVTable::N15Click);
    connect(N16, &QAction::triggered, this, &TVTable::N16Click);
    connect(N32, &QAction::triggered, this, &TVTable::N32Click);
    for (QAction* item : {N33, N34, N42})
        connect(item, &QAction::triggered, this, [this, item] { N11Click(item); });
    // In network mode only the focused cell is broken down.
    N42->setVisible(!NetMode);
    installEventFilter(new NetworkKeys(this));
}

void TVTable::N15Click()
{
    // The selecting dimension: rows when the table is formed by rows, else columns.
    openConditionDialog(*this, m_model->layout().scan == 1 ? ConditionPlace::Column : ConditionPlace::Row, true);
}

void TVTable::N16Click()
{
    openConditionDialog(*this, m_model->layout().scan == 1 ? ConditionPlace::Row : ConditionPlace::Column, false);
}

void TVTable::N32Click()
{
    openConditionDialog(*this, ConditionPlace::Cell, false);
}

void TVTable::N11Click(QAction* sender)
{
    if (!m_model->isOpen())
        return;
    PutData();
    const BreakdownRange range = sender == N34 ? BreakdownRange::Row
        : sender == N42                       ? BreakdownRange::Column
                                              : BreakdownRange::Cell;
    QList<int> units;
    parseIdList(InstitutionIdList, units);
    const auto breakdown = runShowingFailure(QStringLiteral("Разрезание не выполнено."), [&] {
        return gridBreakdown(dbmain(), dbdat(), *m_model, range, units,
                             Label3->text() + QStringLiteral(" - ") + Label2->text(), windowTitle());
    });
    if (breakdown) {
        if (!breakdown->problem.isEmpty())
            prompts().error(breakdown->problem);
        ShowResultList(breakdown->list);
    }
    StringGrid1->setFocus(Qt::OtherFocusReason);
}
