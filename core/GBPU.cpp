#include "core/GBPU.h"

#include "platform/Files.h"
#include "widgets/DialogButtons.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

TGBP::TGBP(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("GBP"));
    resize(379, 375);

    Label1 = new QLabel(QStringLiteral("Название базы данных"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2 = new QLabel(QStringLiteral("Расположение"), this);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DirectoryListBox1 = new QTreeView(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    FileListBox1 = new QListWidget(this);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setEnabled(false);
    const DialogButtons buttons = makeOkCancelRow(this);
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;

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

    auto* lists = new QHBoxLayout;
    auto* folderSide = new QVBoxLayout;
    folderSide->addWidget(DirectoryListBox1);
    folderSide->addWidget(DriveComboBox1);
    lists->addLayout(folderSide, 3);
    lists->addWidget(FileListBox1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addWidget(Label2);
    layout->addWidget(Edit2);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons.row);

    connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TGBP::DirectoryListBox1Change);
    connect(DriveComboBox1, &QComboBox::activated, this, &TGBP::DriveComboBox1Change);
    connect(Edit1, &QLineEdit::textChanged, this, &TGBP::Edit1Change);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

void TGBP::FormCreate()
{
    setFolder(QDir::currentPath());
    Edit1Change();
}

void TGBP::setFolder(const QString& folder)
{
    const QModelIndex index = m_folders->index(QDir::cleanPath(QDir(folder).absolutePath()));
    if (!index.isValid())
        return;
    DirectoryListBox1->setCurrentIndex(index);
    DirectoryListBox1->scrollTo(index);
    DirectoryListBox1Change();
}

QString TGBP::folder() const { return Edit2->text(); }

void TGBP::DirectoryListBox1Change()
{
    const QString path = m_folders->filePath(DirectoryListBox1->currentIndex());
    if (path.isEmpty())
        return;
    Edit2->setText(QDir::toNativeSeparators(path));
    FileListBox1->clear();
    FileListBox1->addItems(Files::listFiles(path, {QStringLiteral("*.mdb")}));
}

void TGBP::DriveComboBox1Change() { setFolder(DriveComboBox1->currentText()); }

void TGBP::Edit1Change() { BitBtn1->setEnabled(!Edit1->text().isEmpty()); }
