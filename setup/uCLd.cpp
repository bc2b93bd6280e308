#include "setup/uCLd.h"

#include "core/Configurations.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "setup/ControlsStore.h"
#include "widgets/WaitCursor.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TCld::TCld(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Загрузка контролей системы \"Кестрин\""));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Укажите расположение файла контролей"), this));
    FolderLabel = new QLabel(this);
    FolderLabel->setObjectName(QStringLiteral("FolderLabel"));
    layout->addWidget(FolderLabel);
    DirectoryListBox1 = new QListWidget(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    layout->addWidget(DirectoryListBox1);
    layout->addWidget(new QLabel(QStringLiteral("Выберите файл контролей"), this));
    FileListBox1 = new QListWidget(this);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    layout->addWidget(FileListBox1);

    auto* box = new QGroupBox(QStringLiteral("Режим"), this);
    auto* boxLayout = new QVBoxLayout(box);
    RadioGroup1 = new QButtonGroup(this);
    const QStringList modes = {QStringLiteral("Подгрузка (существующие контроли сохраняются)"),
                               QStringLiteral("Замещение (существующие контроли удаляются)")};
    for (int i = 0; i < modes.size(); ++i) {
        auto* b = new QRadioButton(modes[i], box);
        b->setObjectName(QStringLiteral("RadioGroup1") + QString::number(i));
        RadioGroup1->addButton(b, i);
        boxLayout->addWidget(b);
    }
    RadioGroup1->button(0)->setChecked(true);
    layout->addWidget(box);
    Button1 = new QPushButton(QStringLiteral("Загрузить контроли"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    layout->addWidget(Button1);

    connect(DirectoryListBox1, &QListWidget::itemActivated, this, [this] { DirectoryListBox1Change(); });
    connect(FileListBox1, &QListWidget::itemSelectionChanged, this, &TCld::FileListBox1Click);
    connect(Button1, &QPushButton::clicked, this, &TCld::Button1Click);
    resize(480, 520);
    setFolder(CfgDir.isEmpty() ? QDir::currentPath() : CfgDir);
}

TCld::~TCld() = default;

void TCld::setFolder(const QString& folder)
{
    const QDir dir(folder);
    m_folder = dir.absolutePath();
    FolderLabel->setText(QDir::toNativeSeparators(m_folder));
    DirectoryListBox1->clear();
    if (!dir.isRoot())
        DirectoryListBox1->addItem(QStringLiteral(".."));
    DirectoryListBox1->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
    FileListBox1->clear();
    FileListBox1->addItems(dir.entryList({QStringLiteral("*.ktr")}, QDir::Files, QDir::Name | QDir::IgnoreCase));
    if (FileListBox1->count() > 0)
        FileListBox1->setCurrentRow(0);
    FileListBox1Click();
}

void TCld::DirectoryListBox1Change()
{
    const QListWidgetItem* item = DirectoryListBox1->currentItem();
    if (!item)
        return;
    setFolder(QDir(m_folder).absoluteFilePath(item->text()));
}

void TCld::FileListBox1Click()
{
    const QListWidgetItem* item = FileListBox1->currentItem();
    Button1->setEnabled(item && item->isSelected());
}

void TCld::Button1Click()
{
    const QListWidgetItem* item = FileListBox1->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString path = QDir(m_folder).absoluteFilePath(item->text());
    const LoadMode mode = RadioGroup1->checkedId() == 1 ? LoadMode::Replace : LoadMode::Append;
    const QString failed = QStringLiteral("Контроли не загружены, прежние контроли сохранены.");
    QString error;
    std::optional<std::optional<ControlsLoadPlan>> plan;
    {
        // The store may ask a question: the hourglass covers the read and the check only.
        WaitCursor wait;
        plan = runShowingFailure(failed, [&] { return planControlsFile(path, &error); });
    }
    if (plan && !*plan)
        prompts().error(error);
    if (plan && *plan)
        runShowingFailure(failed, [&] { storePlannedControls(dbmain(), prompts(), path, **plan, mode); });
    setFolder(m_folder);   // the rejected-controls file may have appeared
}
