#include "entry/ShowTable.h"

#include "entry/GridModel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

TableGridView::TableGridView(TVTable* window)
    : QAbstractScrollArea(window), m_window(window)
{
    setFocusPolicy(Qt::StrongFocus);
}

TVTable::TVTable(QWidget* parent)
    : QDialog(parent), m_model(std::make_unique<GridModel>())
{
    setObjectName(QStringLiteral("VTable"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    buildMenu();
    layout->setMenuBar(MainMenu1);

    auto label = [this, layout](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        layout->addWidget(l);
        return l;
    };
    Label1 = label("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label3 = label("Label3");
    Label2 = label("Label2");
    StringGrid1 = new TableGridView(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    layout->addWidget(StringGrid1, 1);
    Label4 = label("Label4");

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
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    auto action = [this](QMenu* menu, const char* name, const QString& caption) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        if (menu)
            menu->addAction(a);
        else
            MainMenu1->addAction(a);
        return a;
    };
    auto menu = [this](const char* name, const QString& caption) {
        auto* m = new QMenu(caption, this);
        m->setObjectName(QString::fromLatin1(name));
        MainMenu1->addMenu(m);
        return m;
    };
    N1 = action(nullptr, "N1", QStringLiteral("Пред. таблица"));
    N1->setToolTip(QStringLiteral("Перейти к предыдущей таблице - Shift+Tab"));
    N2 = action(nullptr, "N2", QStringLiteral("След. таблица"));
    N2->setToolTip(QStringLiteral("Перейти к следующей таблице - Tab"));
    N3 = action(nullptr, "N3", QStringLiteral("Контроль"));
    ErrorsMenu = menu("ErrorsMenu", QStringLiteral("Ошибки"));
    N7 = action(ErrorsMenu, "N7", QStringLiteral("Список"));
    N6 = action(ErrorsMenu, "N6", QStringLiteral("Корректировка"));
    N6->setCheckable(true);
    ErrorsMenu->menuAction()->setVisible(false);
    GroupMenu = menu("GroupMenu", QStringLiteral("Группировать"));
    N9 = action(GroupMenu, "N9", QStringLiteral("По столбцам"));
    N10 = action(GroupMenu, "N10", QStringLiteral("По строкам"));
    N9->setCheckable(true);
    N10->setCheckable(true);
    N10->setChecked(true);
    GroupMenu->menuAction()->setVisible(false);
    N5 = action(nullptr, "N5", QStringLiteral("Очистить"));
    N11 = menu("N11", QStringLiteral("Разрезать"));
    N33 = action(N11, "N33", QStringLiteral("Ячейку"));
    N34 = action(N11, "N34", QStringLiteral("Строку"));
    N42 = action(N11, "N42", QStringLiteral("Графу"));
    N11->menuAction()->setVisible(false);
    N14 = action(nullptr, "N14", QStringLiteral("Пересчитать таблицу"));
    N14->setVisible(false);
    N35 = menu("N35", QStringLiteral("Подгрузить таблицу"));
    N35->menuAction()->setVisible(false);
    FractionMenu = menu("FractionMenu", QStringLiteral("Нецелые"));
    N37 = action(FractionMenu, "N37", QStringLiteral("Да"));
    N38 = action(FractionMenu, "N38", QStringLiteral("Нет"));
    N37->setCheckable(true);
    N38->setCheckable(true);
    N18 = menu("N18", QStringLiteral("Настройка"));
    N15 = action(N18, "N15", QStringLiteral("Строка"));
    N16 = action(N18, "N16", QStringLiteral("Графа"));
    N18->menuAction()->setVisible(false);
    N4 = action(nullptr, "N4", QStringLiteral("Выход"));
    connect(N4, &QAction::triggered, this, &TVTable::N4Click);
}

void TVTable::FormCreate() {}
void TVTable::FormActivate() {}
bool TVTable::TableShow() { return false; }
bool TVTable::PutData() { return true; }
void TVTable::HighLight(int, int, bool) {}
void TVTable::showStatus() {}
void TVTable::saveFailed(const QString&) {}

void TVTable::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_firstShow) {
        m_firstShow = false;
        FormActivate();
    }
}

void TVTable::keyPressEvent(QKeyEvent* event)
{
    QDialog::keyPressEvent(event);
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
    if (PutData())
        QDialog::reject();
}
