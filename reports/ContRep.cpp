#include "reports/ContRep.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

TRepCont::TRepCont(int reportId, const QString& reportName, const QList<SummaryReport>& reports,
                   const QList<int>& included, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("RepCont"));
    setWindowTitle(QStringLiteral("Состав разрезов"));
    resize(400, 460);
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(reportName, this);
    Label1->setAlignment(Qt::AlignCenter);
    layout->addWidget(Label1);
    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    layout->addWidget(CheckListBox1);
    const QSet<int> ticks(included.begin(), included.end());
    for (const SummaryReport& report : reports) {
        if (report.id == reportId)
            continue;
        auto* item = new QListWidgetItem(report.report, CheckListBox1);
        item->setData(Qt::UserRole, report.id);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ticks.contains(report.id) ? Qt::Checked : Qt::Unchecked);
    }
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    layout->addWidget(BitBtn1, 0, Qt::AlignRight);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

QList<int> TRepCont::ticked() const
{
    QList<int> ids;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        if (CheckListBox1->item(i)->checkState() == Qt::Checked)
            ids.append(CheckListBox1->item(i)->data(Qt::UserRole).toInt());
    return ids;
}
