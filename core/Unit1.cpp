#include "core/Unit1.h"

#include "core/ResultListOutput.h"
#include "platform/Prompts.h"
#include "platform/office/Desktop.h"
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/WordDocument.h"
#include "widgets/MenuKeys.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// A list filled without a caption (the skipped institutions of a load) still names itself, on
// screen and in its Word and Excel copies.
QString shownCaption(const ResultList& list)
{
    return list.windowCaption.isEmpty() ? QStringLiteral("Список") : list.windowCaption;
}
} // namespace

TForm1::TForm1(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 0, 5, 5);

    MainMenu1 = new QMenuBar(this);
    giveMenuKeys(MainMenu1);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* print = MainMenu1->addMenu(QStringLiteral("Печатать"));
    N1 = print->addAction(QStringLiteral("В Word"));
    N1->setObjectName(QStringLiteral("N1"));
    Excel1 = print->addAction(QStringLiteral("В Excel"));
    Excel1->setObjectName(QStringLiteral("Excel1"));
    N2 = MainMenu1->addAction(QStringLiteral("Выход"));
    N2->setObjectName(QStringLiteral("N2"));
    layout->setMenuBar(MainMenu1);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setAutoFillBackground(true);
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::Window, QColor(0, 255, 255));   // aqua
    Label1->setPalette(pal);
    layout->addWidget(Label1);

    // The list fills the window as it is resized: the layout does what FormResize computed.
    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setAlternatingRowColors(true);
    ListView1->header()->setStretchLastSection(true);
    layout->addWidget(ListView1, 1);

    connect(N1, &QAction::triggered, this, &TForm1::N1Click);
    connect(Excel1, &QAction::triggered, this, &TForm1::Excel1Click);
    connect(N2, &QAction::triggered, this, &TForm1::N2Click);

    Form1 = this;
    FormCreate();
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::FormCreate()
{
    resize(800, 500);
}

void TForm1::setList(const ResultList& list)
{
    m_list = list;
    setWindowTitle(shownCaption(list));
    Label1->setText(list.title);
    ListView1->clear();
    ListView1->setColumnCount(int(std::max<qsizetype>(1, list.columns.size())));
    ListView1->setHeaderLabels(list.columns);
    QList<QTreeWidgetItem*> items;
    items.reserve(list.items.size());
    for (const ResultListItem& item : list.items) {
        auto* row = new QTreeWidgetItem(QStringList{item.caption} + item.subItems);
        row->setData(0, Qt::UserRole, item.object);
        items.append(row);
    }
    ListView1->addTopLevelItems(items);
    for (int i = 0; i < ListView1->columnCount() - 1; ++i)
        ListView1->resizeColumnToContents(i);
}

void TForm1::N1Click()
{
    WordDocument document;
    document.createBlank();
    ResultListToWord(m_list, document);
    QString error;
    if (!showDocument(document, shownCaption(m_list), &error))
        prompts().error(error);
}

void TForm1::Excel1Click()
{
    ExcelWorkbook book;
    ResultListToExcel(m_list, book);
    QString error;
    if (!showWorkbook(book, shownCaption(m_list), &error))
        prompts().error(error);
}

void TForm1::N2Click()
{
    close();
}

void TForm1::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ShowResultList(const ResultList& list)
{
    if (Form1) {
        Form1->setList(list);
        prompts().exec(*Form1);
        return;
    }
    TForm1 window;
    window.setList(list);
    prompts().exec(window);
}
