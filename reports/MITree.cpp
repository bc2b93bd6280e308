#include "reports/MITree.h"

#include "core/Configurations.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "reports/IndicatorSetFile.h"
#include "reports/MIFormulas.h"
#include "reports/StatShow.h"
#include "widgets/MenuKeys.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {
constexpr int IdentRole = Qt::UserRole;
const QString kFilter = QStringLiteral("Структура статистических данных (*.stt)");

int identOf(const QTreeWidgetItem* item) { return item ? item->data(0, IdentRole).toInt() : 0; }

QTreeWidgetItem* makeNode(const QString& caption, int ident)
{
    auto* item = new QTreeWidgetItem(QStringList{caption});
    item->setData(0, IdentRole, ident);
    return item;
}
} // namespace

TMISetup::TMISetup(Use use, QWidget* parent)
    : QDialog(parent)
{
    MISetup = this;
    setObjectName(QStringLiteral("MISetup"));
    setWindowTitle(QStringLiteral("Формирование \"дерева\" показателей"));
    auto* bar = new QMenuBar(this);
    giveMenuKeys(bar);
    auto add = [&](QMenu* menu, const QString& caption, void (TMISetup::*slot)()) {
        QAction* a = menu ? menu->addAction(caption) : bar->addAction(caption);
        connect(a, &QAction::triggered, this, slot);
        m_actions << a;
        return a;
    };
    QMenu* addMenu = bar->addMenu(QStringLiteral("Добавить"));
    m_actions << addMenu->menuAction();
    add(addMenu, QStringLiteral("На текущий уровень"), &TMISetup::N5Click);
    add(addMenu, QStringLiteral("Подуровень"), &TMISetup::N6Click);
    add(nullptr, QStringLiteral("Удалить"), &TMISetup::N2Click);
    add(nullptr, QStringLiteral("Состав"), &TMISetup::N3Click);
    QAction* show = add(nullptr, QStringLiteral("Показатели"), &TMISetup::N8Click);
    add(nullptr, QStringLiteral("Выгрузить"), &TMISetup::N9Click);
    add(nullptr, QStringLiteral("Загрузить"), &TMISetup::N10Click);
    QAction* quit = bar->addAction(QStringLiteral("Выход"));
    connect(quit, &QAction::triggered, this, &QDialog::reject);
    m_actions << quit;

    TreeView1 = new QTreeWidget(this);
    TreeView1->setHeaderHidden(true);
    Edit1 = new QLineEdit(this);
    Button1 = new QPushButton(QStringLiteral("Сохранить"), this);
    Button1->hide();
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(Edit1);
    nameRow->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(TreeView1);
    layout->addLayout(nameRow);
    resize(460, 520);

    const bool setup = use == Use::Setup;
    for (QAction* a : m_actions)
        if (a != quit)
            a->setVisible(setup);
    show->setVisible(!setup);
    Edit1->setVisible(setup);

    TreeView1->installEventFilter(this);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this] { TreeView1Change(); });
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this, [this] { TreeView1DblClick(); });
    connect(Edit1, &QLineEdit::textEdited, this, [this] { Edit1Change(); });
    connect(Button1, &QPushButton::clicked, this, &TMISetup::Button1Click);
    FormActivate();
    updateActions();
}

TMISetup::~TMISetup()
{
    refreshCache();
    if (MISetup == this)
        MISetup = nullptr;
}

QAction* TMISetup::action(const QString& caption) const
{
    for (QAction* a : m_actions)
        if (plainCaption(a->text()) == caption)
            return a;
    return nullptr;
}

QTreeWidgetItem* TMISetup::current() const { return TreeView1->currentItem(); }

void TMISetup::FormActivate()
{
    TreeView1->clear();
    // Every set's children found in one pass over the cache: looking them up in the whole cache
    // for each set made a large tree take minutes to open.
    m_children.clear();
    for (qsizetype i = 0; i < TreeIdents.size(); ++i)
        m_children[TreeDepends.value(i)].append(i);
    m_shown = {0};
    QList<QTreeWidgetItem*> top;
    for (qsizetype i : m_children.value(0)) {
        const int ident = TreeIdents.value(i);
        if (m_shown.contains(ident))
            continue;
        m_shown.insert(ident);
        QTreeWidgetItem* node = makeNode(TreeNames.value(i), ident);
        AddIndicatorBranch(node, ident);
        top.append(node);
    }
    // The tree is built apart from the view and handed over at once.
    TreeView1->addTopLevelItems(top);
    m_children.clear();
    m_shown.clear();
}

void TMISetup::AddIndicatorBranch(QTreeWidgetItem* node, int parentIdent)
{
    // A stack of its own rather than recursion: a chain as deep as the bound must not exhaust the
    // call stack. A set met a second time (a damaged dictionary whose links loop) is left out.
    struct Branch {
        QTreeWidgetItem* node;
        int ident;
        int level;
    };
    QList<Branch> pending{{node, parentIdent, 1}};
    while (!pending.isEmpty()) {
        const Branch branch = pending.takeLast();
        if (branch.level >= kMaxIndicatorSetDepth)
            continue;
        const auto children = m_children.constFind(branch.ident);
        if (children == m_children.cend())
            continue;
        for (qsizetype i : *children) {
            const int ident = TreeIdents.value(i);
            if (m_shown.contains(ident))
                continue;
            m_shown.insert(ident);
            QTreeWidgetItem* child = makeNode(TreeNames.value(i), ident);
            branch.node->addChild(child);
            pending.append({child, ident, branch.level + 1});
        }
    }
}

void TMISetup::TreeView1Change()
{
    QTreeWidgetItem* item = current();
    CurrentTerm = identOf(item);
    Edit1->setText(item ? item->text(0) : QString());
    Button1->hide();
    updateActions();
}

void TMISetup::updateActions()
{
    // These change or show one set: without a chosen one they could not tell which.
    const bool chosen = current() != nullptr;
    for (const QString& caption : {QStringLiteral("Удалить"), QStringLiteral("Состав"), QStringLiteral("Показатели"),
                                   QStringLiteral("Выгрузить"), QStringLiteral("Загрузить")})
        if (QAction* a = action(caption))
            a->setEnabled(chosen);
    Edit1->setEnabled(chosen);
}

void TMISetup::Edit1Change()
{
    if (current())
        Button1->show();
}

void TMISetup::Button1Click()
{
    QTreeWidgetItem* item = current();
    if (!item)
        return;
    if (!runShowingFailure(QStringLiteral("Имя набора не сохранено."),
                           [&] { renameIndicatorSet(dbmain(), identOf(item), Edit1->text()); }))
        return;
    item->setText(0, Edit1->text());
    Button1->hide();
}

void TMISetup::addSet(QTreeWidgetItem* parentNode, int depend)
{
    const auto ident = runShowingFailure(QStringLiteral("Набор показателей не добавлен."),
                                         [&] { return addIndicatorSet(dbmain(), depend); });
    if (!ident)
        return;
    QTreeWidgetItem* node = makeNode(newIndicatorSetName(), *ident);
    if (parentNode) {
        parentNode->addChild(node);
        parentNode->setExpanded(true);
    } else {
        TreeView1->addTopLevelItem(node);
    }
    TreeView1->setCurrentItem(node);
}

void TMISetup::N5Click()
{
    // Without a selected set the new one goes to the top.
    QTreeWidgetItem* item = current();
    QTreeWidgetItem* parentNode = item ? item->parent() : nullptr;
    addSet(parentNode, identOf(parentNode));
}

void TMISetup::N6Click()
{
    QTreeWidgetItem* item = current();
    if (!item) {
        addSet(nullptr, 0);
        return;
    }
    int level = 0;
    for (QTreeWidgetItem* up = item; up; up = up->parent())
        ++level;
    if (level >= kMaxIndicatorSetDepth) {
        prompts().error(QStringLiteral("Подуровень не добавлен: дерево показателей не глубже %1 уровней")
                            .arg(kMaxIndicatorSetDepth));
        return;
    }
    addSet(item, identOf(item));
}

void TMISetup::N2Click()
{
    QTreeWidgetItem* item = current();
    if (!item)
        return;
    if (!prompts().question(QStringLiteral("Вы действительно желаете удалить \"%1\"?").arg(item->text(0))))
        return;
    if (!runShowingFailure(QStringLiteral("Набор показателей не удален."),
                           [&] { deleteIndicatorSet(dbmain(), identOf(item)); }))
        return;
    delete item;
    TreeView1Change();
}

void TMISetup::N3Click()
{
    QTreeWidgetItem* item = current();
    if (!item)
        return;
    TMIForms window(identOf(item), item->text(0), this);
    prompts().exec(window);
}

void TMISetup::N8Click()
{
    QTreeWidgetItem* item = current();
    if (!item)
        return;
    QString caption = windowTitle();
    const qsizetype dash = caption.indexOf(QStringLiteral(" -"));
    if (dash >= 0)
        caption = caption.left(dash);
    TShowStat window(identOf(item), caption, item->text(0), this);
    prompts().exec(window);
}

void TMISetup::N9Click()
{
    QTreeWidgetItem* item = current();
    if (!item)
        return;
    // The year's data folder is only proposed: a folder is made once there is a file to write.
    const QString folder = CfgDir + QString::number(ReportYear) + QStringLiteral("/data");
    QString proposed = Files::safeFileName(item->text(0));
    if (proposed.isEmpty())
        proposed = QStringLiteral("показатели");
    const QString path = prompts().saveFileName(QStringLiteral("Выгрузить"), kFilter,
                                                folder + u'/' + proposed + QStringLiteral(".stt"));
    if (path.isEmpty())
        return;
    QString error;
    bool exported = false;
    const auto written = runShowingFailure(QStringLiteral("Набор показателей не выгружен."), [&] {
        IndicatorSetData data;
        if (!exportIndicatorSet(dbmain(), identOf(item), &data, &error))
            return false;
        exported = true;
        return Files::makeFolder(QFileInfo(path).absolutePath(), &error) && writeIndicatorSetFile(path, data, &error);
    });
    if (!written)
        return;
    if (!*written) {
        prompts().error(exported ? error : QStringLiteral("Набор показателей не выгружен.\n") + error);
        return;
    }
    prompts().message(item->text(0) + QStringLiteral(" - выгружено"));
}

void TMISetup::N10Click()
{
    QTreeWidgetItem* item = current();
    if (!item)
        return;
    const QString failed = QStringLiteral("Набор показателей не загружен.");
    IndicatorSetFileReader reader;
    if (!readChosenFile(reader, failed))
        return;
    const int ident = identOf(item);
    const QString name = item->text(0);
    QString error;
    const auto imported = runShowingFailure(failed, [&] {
        if (!indicatorSetFits(dbmain(), ident, reader.data(), &error))
            return false;
        importIndicatorSet(dbmain(), ident, reader.data(), askOwnPart(dbmain(), prompts(), ident, name, reader.data()));
        return true;
    });
    if (imported && !*imported)
        prompts().error(failed + u'\n' + error);
    // The new sets come from the dictionary as the tree orders them.
    if (!imported.value_or(false) || !runShowingFailure(QString(), [&] { GetTree(dbmain()); }))
        return;
    FormActivate();
    selectSet(ident);
    prompts().message(QStringLiteral("Данные по %1 загружены из файла").arg(name));
}

bool TMISetup::readChosenFile(IndicatorSetFileReader& reader, const QString& failed)
{
    const QString path = prompts().openFileName(QStringLiteral("Загрузить"), kFilter,
                                                CfgDir + QString::number(ReportYear) + QStringLiteral("/data"));
    if (path.isEmpty())
        return false;
    if (!reader.read(path)) {
        prompts().error(failed + u'\n' + reader.errorString());
        return false;
    }
    return true;
}

void TMISetup::selectSet(int ident)
{
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
        if (identOf(*it) == ident) {
            TreeView1->setCurrentItem(*it);
            (*it)->setExpanded(true);
        }
}

void TMISetup::TreeView1DblClick()
{
    QAction* show = action(QStringLiteral("Показатели"));
    if (show && show->isVisible())
        N8Click();
    QAction* parts = action(QStringLiteral("Состав"));
    if (parts && parts->isVisible())
        N3Click();
}

bool TMISetup::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the tree does what a double click does; the view would take the key itself.
    if (watched == TreeView1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            TreeView1DblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TMISetup::keyPressEvent(QKeyEvent* event)
{
    // Enter must not end the dialog as a default button would; Esc closes.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}

void TMISetup::refreshCache()
{
    if (m_cacheRefreshed)
        return;
    m_cacheRefreshed = true;
    runShowingFailure(QString(), [&] { GetTree(dbmain()); });
}

void TMISetup::closeEvent(QCloseEvent* event)
{
    refreshCache();
    QDialog::closeEvent(event);
}

void TMISetup::done(int result)
{
    refreshCache();
    QDialog::done(result);
}
