#include "entry/Unit5.h"

#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

QString unreadFileQuestion(const QString& path)
{
    return QStringLiteral("Файл %1 не удалось прочитать. Его содержимое будет заменено списком из окна. "
                          "Заменить?").arg(QDir::toNativeSeparators(path));
}

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Пожалуйста, введите сокращенные наименования для ЛПУ"));
    StringGrid1 = new QTableWidget(0, 2, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setDefaultSectionSize(15 + 4);
    StringGrid1->setColumnWidth(0, 500);
    StringGrid1->setColumnWidth(1, 250);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("Отмена"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    Button1 = new QPushButton(QStringLiteral("Обновить список ЛПУ"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGrid1);
    layout->addLayout(buttons);
    resize(800, 450);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm5::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
    FormCreate();
}

void TForm5::FormCreate()
{
    QList<ShortName> lines;
    QString error;
    bool exists = QFileInfo::exists(shortNamesPath());
    m_unread = !readShortNames(shortNamesPath(), &lines, &error);
    if (m_unread) {
        // Nothing of the file is shown, so the institutions of the database stand in for it.
        prompts().error(error + QStringLiteral("\nОкно показывает учреждения из базы; файл будет заменен "
                                               "только после вашего согласия."));
        lines.clear();
        exists = false;
    }
    if (!runShowingFailure(QString(), [&] { setRows(initialShortNames(dbmain(), lines, exists)); }))
        setRows(lines.isEmpty() ? QList<ShortName>(5) : lines);
}

void TForm5::setRows(const QList<ShortName>& rows)
{
    StringGrid1->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        auto* full = new QTableWidgetItem(rows[i].fullName);
        full->setFlags(full->flags() & ~Qt::ItemIsEditable);
        full->setBackground(palette().button());
        StringGrid1->setItem(i, 0, full);
        StringGrid1->setItem(i, 1, new QTableWidgetItem(rows[i].shortName));
    }
}

QList<ShortName> TForm5::rows() const
{
    QList<ShortName> out;
    for (int i = 0; i < StringGrid1->rowCount(); ++i) {
        auto text = [&](int c) {
            const QTableWidgetItem* item = StringGrid1->item(i, c);
            return item ? item->text() : QString();
        };
        out.append({text(0), text(1)});
    }
    return out;
}

void TForm5::BitBtn1Click()
{
    if (m_unread && !prompts().question(unreadFileQuestion(shortNamesPath())))
        return;
    QString error;
    if (!writeShortNames(shortNamesPath(), rows(), &error)) {
        prompts().error(error);
        return;
    }
    m_unread = false;
    accept();
}

void TForm5::Button1Click()
{
    QList<ShortName> known;
    QString error;
    if (!readShortNames(shortNamesPath(), &known, &error)) {
        prompts().error(error);
        return;
    }
    runShowingFailure(QString(), [&] { setRows(refreshShortNames(dbmain(), known)); });
}
