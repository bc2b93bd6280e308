#include "convert/Unit1.h"

#include "convert/Conversion.h"
#include "platform/Files.h"
#include "platform/Prompts.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

TForm1::TForm1(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Преобразование БД"));
    // The utility's boxes are its own, not the main program's.
    setProgramTitle(windowTitle());
    resize(306, 499);

    Label1 = new QLabel(QStringLiteral("Укажите папку расположения программы \"Кестрин\""), this);
    Label1->setWordWrap(true);
    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DirectoryListBox1 = new QTreeView(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    Label2 = new QLabel(QStringLiteral("Выберите базу данных"), this);
    ListBox2 = new QListWidget(this);
    ListBox2->setObjectName(QStringLiteral("ListBox2"));
    Label3 = new QLabel(QStringLiteral("Выберите отчетный год (можно несколько)"), this);
    ListBox3 = new QListWidget(this);
    ListBox3->setObjectName(QStringLiteral("ListBox3"));
    ListBox3->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Years run down the first of four columns, then the next, as a multi-column list box does.
    ListBox3->setFlow(QListView::TopToBottom);
    ListBox3->setWrapping(true);
    ListBox3->setResizeMode(QListView::Adjust);
    ListBox3->setUniformItemSizes(true);
    BitBtn1 = new QPushButton(QStringLiteral("Старт"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setVisible(false);

    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setRootPath(QString());
    DirectoryListBox1->setModel(m_folders);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        DirectoryListBox1->hideColumn(column);
    DirectoryListBox1->header()->hide();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady())
            DriveComboBox1->addItem(volume.rootPath());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(DriveComboBox1);
    layout->addWidget(DirectoryListBox1, 3);
    layout->addWidget(Label2);
    layout->addWidget(ListBox2, 2);
    layout->addWidget(Label3);
    layout->addWidget(ListBox3, 2);
    layout->addWidget(BitBtn1);

    // The folders load in the background: the chosen one is brought into view once its parents are there.
    connect(m_folders, &QFileSystemModel::directoryLoaded, this,
            [this] { DirectoryListBox1->scrollTo(DirectoryListBox1->currentIndex()); });
    ListBox3->viewport()->installEventFilter(this);
    connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TForm1::DirectoryListBox1Click);
    connect(DriveComboBox1, &QComboBox::activated, this, &TForm1::DriveComboBox1Change);
    connect(ListBox2, &QListWidget::currentRowChanged, this, &TForm1::ListBox2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);

    setFolder(Files::programFolder());
}

void TForm1::setFolder(const QString& folder)
{
    const QModelIndex index = m_folders->index(QDir::cleanPath(QDir(folder).absolutePath()));
    if (!index.isValid())
        return;
    if (index == DirectoryListBox1->currentIndex()) {
        DirectoryListBox1Click();
        return;
    }
    DirectoryListBox1->setCurrentIndex(index);
    DirectoryListBox1->scrollTo(index);
}

QString TForm1::folder() const { return m_folders->filePath(DirectoryListBox1->currentIndex()); }

void TForm1::DriveComboBox1Change() { setFolder(DriveComboBox1->currentText()); }

void TForm1::DirectoryListBox1Click()
{
    // Only the main program's folder has configurations; any other folder leaves the lists alone.
    const std::optional<Conversion::ProgramSettings> settings = Conversion::readProgramSettings(folder());
    if (!settings)
        return;
    {
        const QSignalBlocker blockNames(ListBox2);
        ListBox2->clear();
        ComboBox1->clear();
        for (const Conversion::Configuration& c : settings->configurations) {
            ListBox2->addItem(c.name);
            ComboBox1->addItem(c.folder);
        }
        ListBox2->setCurrentRow(settings->last);
    }
    ListBox2Click();
}

void TForm1::ListBox2Click()
{
    ComboBox1->setCurrentIndex(ListBox2->currentRow());
    GetYearList();
}

void TForm1::GetYearList()
{
    ListBox3->clear();
    if (ComboBox1->currentIndex() >= 0)
        ListBox3->addItems(Conversion::yearList(ComboBox1->currentText()));
    layYearColumns();
}

void TForm1::BitBtn1Click()
{
    QStringList years;
    for (int i = 0; i < ListBox3->count(); ++i)
        if (ListBox3->item(i)->isSelected())
            years << ListBox3->item(i)->text();
    if (years.isEmpty())
        return;
    const QString typesPath = Files::join(Files::programFolder(), Conversion::MedicalTypesFileName);
    Conversion::convertYears(ComboBox1->currentText(), years, typesPath, prompts(), [this](const QString& year) {
        for (QListWidgetItem* item : ListBox3->findItems(year, Qt::MatchExactly))
            item->setSelected(false);
    });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBox3->viewport() && event->type() == QEvent::Resize)
        layYearColumns();
    return QWidget::eventFilter(watched, event);
}

void TForm1::layYearColumns()
{
    const int width = std::max(1, ListBox3->viewport()->width() / 4);
    ListBox3->setGridSize(QSize(width, ListBox3->fontMetrics().height() + 4));
}
