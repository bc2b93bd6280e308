#include "setup/LForm.h"

#include "core/Common.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "setup/FormDictionary.h"
#include "setup/FormStructureFile.h"
#include "setup/Tabls.h"
#include "setup/formChar.h"

#include "widgets/MenuKeys.h"
#include "widgets/WaitCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int FormIdRole = Qt::UserRole;

QString yesNo(bool v) { return v ? QStringLiteral("Да") : QStringLiteral("Нет"); }

void showForm(QTreeWidgetItem* item, const CatalogueForm& f)
{
    item->setText(0, f.formname);
    item->setText(1, f.decipher);
    item->setText(2, yesNo(f.net));
    item->setTextAlignment(2, Qt::AlignCenter);
    item->setData(0, FormIdRole, f.id);
}

CatalogueForm formOf(const QTreeWidgetItem* item)
{
    return CatalogueForm{item->data(0, FormIdRole).toInt(), item->text(0), item->text(1),
                         item->text(2) == QStringLiteral("Да")};
}

// The list hands a drop of its own rows to the catalogue, which moves the form itself.
class FormsList : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    std::function<void(const QPoint&)> dropped;

protected:
    bool ownRows(const QDropEvent* event) const
    {
        // A drop made by the program itself (no drag in progress) carries no source.
        return event->source() == this
            || (!event->source() && event->mimeData()
                && event->mimeData()->hasFormat(QStringLiteral("application/x-qabstractitemmodeldatalist")));
    }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (ownRows(event))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        if (ownRows(event))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dropEvent(QDropEvent* event) override
    {
        if (!ownRows(event)) {
            event->ignore();
            return;
        }
        if (dropped)
            dropped(event->position().toPoint());
        // Not a move: the view would take the dragged row out once the drag ends.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
};
}  // namespace

TFormL::TFormL(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormL"));
    setWindowTitle(QStringLiteral("Отчетные формы"));
    buildWindow();
    CatalogueNeedsFill = true;
    m_previous = FormL;
    FormL = this;
}

TFormL::~TFormL()
{
    if (FormL == this)
        FormL = m_previous;
}

void TFormL::buildWindow()
{
    resize(820, 520);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 0, 5, 5);
    MainMenu1 = new QMenuBar(this);
    giveMenuKeys(MainMenu1);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    layout->setMenuBar(MainMenu1);
    auto add = [this](const char* name, const char* caption) {
        QAction* a = MainMenu1->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromUtf8(name));
        return a;
    };
    N7 = add("N7", "Экспорт");
    N8 = add("N8", "Импорт");
    N1 = add("N1", "Добавить");
    N2 = add("N2", "Корректировать");
    N3 = add("N3", "Удалить");
    N5 = add("N5", "Таблицы");
    N6 = add("N6", "Сохранить сортировку");
    N4 = add("N4", "Выход");
    N1->setVisible(false);
    N6->setVisible(false);

    auto* list = new FormsList(this);
    list->dropped = [this](const QPoint& at) { ListView1DragDrop(at); };
    ListView1 = list;
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setDragEnabled(true);
    ListView1->setAcceptDrops(true);
    ListView1->viewport()->setAcceptDrops(true);
    ListView1->setDragDropMode(QAbstractItemView::DragDrop);
    ListView1->setDefaultDropAction(Qt::CopyAction);
    ListView1->setHeaderLabels({QStringLiteral("Форма"), QStringLiteral("Содержание"), QStringLiteral("Сеть")});
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    layout->addWidget(ListView1);

    connect(N2, &QAction::triggered, this, &TFormL::N2Click);
    connect(N3, &QAction::triggered, this, &TFormL::N3Click);
    connect(N5, &QAction::triggered, this, &TFormL::N5Click);
    connect(N6, &QAction::triggered, this, &TFormL::N6Click);
    connect(N7, &QAction::triggered, this, &TFormL::N7Click);
    connect(N8, &QAction::triggered, this, &TFormL::N8Click);
    connect(N4, &QAction::triggered, this, &TFormL::N4Click);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { N5Click(); });
}

void TFormL::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TFormL::FormActivate()
{
    if (!CatalogueNeedsFill)
        return;
    ListView1->clear();
    if (!runShowingFailure(QStringLiteral("Не удалось прочитать перечень форм."), [&] {
            for (const CatalogueForm& f : readCatalogue(dbmain()))
                showForm(new QTreeWidgetItem(ListView1), f);
        }))
        return;
    CatalogueNeedsFill = false;
    selectFirst();
}

void TFormL::selectFirst()
{
    if (ListView1->topLevelItemCount() > 0)
        ListView1->setCurrentItem(ListView1->topLevelItem(0));
}

QTreeWidgetItem* TFormL::itemOf(int formId) const
{
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        if (ListView1->topLevelItem(i)->data(0, FormIdRole).toInt() == formId)
            return ListView1->topLevelItem(i);
    return nullptr;
}

void TFormL::N2Click()
{
    QTreeWidgetItem* item = ListView1->currentItem();
    if (!item)
        return;
    CatalogueForm form = formOf(item);
    TFChar dialog(this);
    dialog.Edit1->setText(form.formname);
    dialog.Edit2->setText(form.decipher);
    dialog.CheckBox1->setChecked(form.net);
    // A refused name brings the dialog back with what was typed.
    for (;;) {
        if (prompts().exec(dialog) != QDialog::Accepted)
            return;
        form.formname = dialog.Edit1->text();
        form.decipher = dialog.Edit2->text();
        form.net = dialog.CheckBox1->isChecked();
        QString error;
        const auto updated = runShowingFailure(QStringLiteral("Изменения не сохранены."),
                                               [&] { return updateForm(dbmain(), form, &error); });
        if (updated.value_or(false))
            break;
        if (updated)
            prompts().error(QStringLiteral("Изменения не сохранены.\n") + error);
    }
    showForm(item, form);
}

void TFormL::N3Click()
{
    QTreeWidgetItem* item = ListView1->currentItem();
    if (!item)
        return;
    const CatalogueForm form = formOf(item);
    if (!prompts().question(QStringLiteral("Вы действительно хотите удалить всю информацию по форме %1").arg(form.formname)))
        return;
    if (!runShowingFailure(QStringLiteral("Форма не удалена."), [&] { deleteForm(dbmain(), dbdat().path(), form.id); }))
        return;
    delete item;
    selectFirst();
}

void TFormL::N5Click()
{
    QTreeWidgetItem* item = ListView1->currentItem();
    if (!item)
        return;
    const CatalogueForm form = formOf(item);
    TablesFormId = form.id;
    TFTabs window(this);
    window.setWindowTitle(QStringLiteral("Таблицы: ") + form.formname + QStringLiteral(" - ") + form.decipher);
    if (!form.net)
        window.RadioGroup1->hide();
    prompts().exec(window);
}

void TFormL::ListView1DragDrop(const QPoint& viewportPos)
{
    QTreeWidgetItem* item = ListView1->currentItem();
    QTreeWidgetItem* target = ListView1->itemAt(viewportPos);
    if (!item || !target || target == item)
        return;
    ListView1->takeTopLevelItem(ListView1->indexOfTopLevelItem(item));
    ListView1->insertTopLevelItem(ListView1->indexOfTopLevelItem(target), item);
    ListView1->setCurrentItem(item);
    N6->setVisible(true);
}

void TFormL::N6Click()
{
    QList<int> ids;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        ids.append(ListView1->topLevelItem(i)->data(0, FormIdRole).toInt());
    if (!runShowingFailure(QStringLiteral("Порядок форм не сохранен."), [&] { saveFormOrder(dbmain(), ids); }))
        return;
    N6->setVisible(false);
}

void TFormL::N7Click()
{
    QTreeWidgetItem* item = ListView1->currentItem();
    if (!item)
        return;
    const CatalogueForm form = formOf(item);
    QString proposed = Files::safeFileName(form.formname);
    if (proposed.isEmpty())
        proposed = QStringLiteral("форма");
    const QString path = prompts().saveFileName(QStringLiteral("Экспорт структуры формы"),
                                                QStringLiteral("Файлы стуктуры форм (*.frs)"),
                                                proposed + QStringLiteral(".frs"));
    if (path.isEmpty())
        return;
    QString error;
    const auto written = runShowingFailure(QStringLiteral("Структура формы не выгружена."), [&] {
        WaitCursor wait;
        return exportFormStructure(dbmain(), form.id, form.formname, path, &error);
    });
    if (written && !*written)
        prompts().error(error);
    else if (written)
        prompts().message(QStringLiteral("Готово"));
}

void TFormL::N8Click()
{
    const QString path = prompts().openFileName(QStringLiteral("Импорт структуры формы"),
                                                QStringLiteral("Файлы структуры форм (*.frs)"));
    if (path.isEmpty())
        return;
    FormStructureFileReader reader;
    if (!reader.read(path)) {
        prompts().error(QStringLiteral("Структура формы не загружена.\n") + reader.errorString());
        return;
    }
    if (!reader.structureBreaks().isEmpty())
        prompts().warning(structureBreaksWarning(reader.structureBreaks()));
    const auto done = runShowingFailure(QStringLiteral("Структура формы не загружена."),
                                        [&] { return importFormStructure(dbmain(), reader.structure()); });
    if (!done)
        return;
    // The structure is stored: a failure to show it again does not undo that.
    runShowingFailure(QString(), [&] {
        if (const std::optional<CatalogueForm> form = readCatalogueForm(dbmain(), done->formId)) {
            QTreeWidgetItem* item = itemOf(done->formId);
            if (!item)
                item = new QTreeWidgetItem(ListView1);
            showForm(item, *form);
        }
    });
    prompts().message(QStringLiteral("Готово.\nТаблиц создано: %1, заменено: %2, строк файла пропущено: %3")
                          .arg(done->tablesCreated)
                          .arg(done->tablesReplaced)
                          .arg(reader.skippedLines()));
}

void TFormL::N4Click() { reject(); }
