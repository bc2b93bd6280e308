#include "reports/Ul.h"

#include "core/Common.h"
#include "core/Configurations.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "reports/SummaryReports.h"

#include "widgets/WaitCursor.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

TUnf::TUnf(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Unf"));
    setWindowTitle(QStringLiteral("Выгрузка сводного отчета во внешний формат"));
    auto* layout = new QVBoxLayout(this);

    Label1 = new QLabel(QStringLiteral("Отметьте формы, которые Вы хотите выгрузить"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    Label1->setBuddy(CheckListBox1);
    layout->addWidget(Label1);
    layout->addWidget(CheckListBox1, 1);
    auto* marks = new QHBoxLayout;
    Button1 = new QPushButton(QStringLiteral("Отметить все"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Очистить все"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    marks->addWidget(Button1);
    marks->addWidget(Button2);
    marks->addStretch();
    layout->addLayout(marks);

    Label2 = new QLabel(QStringLiteral("Выберите свою территорию"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    Label2->setBuddy(ComboBox1);
    layout->addWidget(Label2);
    layout->addWidget(ComboBox1);

    Label3 = new QLabel(QStringLiteral("Выберите сводный отчет, который Вы хотите выгрузить"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    Label3->setBuddy(ComboBox2);
    layout->addWidget(Label3);
    layout->addWidget(ComboBox2);

    BitBtn1 = new QPushButton(QStringLiteral("Выгрузить отчет"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->hide();
    layout->addWidget(BitBtn1);
    layout->addWidget(ProgressBar1);

    connect(Button1, &QPushButton::clicked, this, &TUnf::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TUnf::Button2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TUnf::BitBtn1Click);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TUnf::updateCommands);
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TUnf::updateCommands);

    Unf = this;
    FormCreate();
}

TUnf::~TUnf()
{
    if (Unf == this)
        Unf = nullptr;
}

void TUnf::FormCreate()
{
    if (!readLinks(linksDatabasePath(), m_links, &m_unavailable)) {
        // nothing to choose from
    } else if (!Files::exists(dbfTemplatePath())) {
        m_unavailable = QStringLiteral("Не найден шаблон %1").arg(dbfTemplatePath());
    }
    for (const LinkSection& section : m_links.sections) {
        auto* item = new QListWidgetItem(itemText(section.a1, section.a2), CheckListBox1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    for (const LinkTerritory& territory : m_links.territories)
        ComboBox1->addItem(itemText(territory.a1, territory.a2));
    ComboBox1->setCurrentIndex(-1);
    runShowingFailure(QStringLiteral("Не удалось прочитать перечень сводных отчетов."), [&] {
        for (const SummaryReport& report : SummaryReports::list(dbmain(), false))
            ComboBox2->addItem(report.report, report.id);
    });
    ComboBox2->setCurrentIndex(-1);
    updateCommands();
}

void TUnf::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_unavailable.isEmpty() && !m_told) {
        m_told = true;
        prompts().error(m_unavailable + QStringLiteral("\nВыгрузка невозможна."));
    }
}

void TUnf::updateCommands()
{
    BitBtn1->setEnabled(m_unavailable.isEmpty() && ComboBox1->currentIndex() >= 0
                        && ComboBox2->currentIndex() >= 0);
}

void TUnf::checkAll(bool checked)
{
    for (int i = 0; i < CheckListBox1->count(); ++i)
        CheckListBox1->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TUnf::Button1Click() { checkAll(true); }
void TUnf::Button2Click() { checkAll(false); }

void TUnf::BitBtn1Click()
{
    if (!BitBtn1->isEnabled())
        return;
    QString proposed = Files::safeFileName(ComboBox2->currentText());
    if (proposed.isEmpty())
        proposed = QStringLiteral("Отчет");
    // The program folder holds the template and the mapping: the report goes to the configuration.
    const QString chosen = prompts().saveFileName(QStringLiteral("Сохранить"), QStringLiteral("Формат DBF (*.dbf)"),
                                                  Files::join(CfgDir, proposed));
    if (chosen.isEmpty())
        return;
    const DbfExportRequest request = gatherRequest(chosen);
    const QString failed = QStringLiteral("Отчет не выгружен.");
    if (const QString refusal = dbfTargetRefusal(request.outputPath, request.templatePath); !refusal.isEmpty()) {
        prompts().error(failed + QLatin1Char('\n') + refusal);
        return;
    }
    const auto exported = runShowingFailure(failed, [&] { return exportWithProgress(request); });
    if (!exported)
        return;
    if (!exported->ok) {
        prompts().error(failed + QLatin1Char('\n') + exported->error);
        return;
    }
    QString text = QStringLiteral("Отчет выгружен в файл %1\nЗаписей: %2").arg(request.outputPath).arg(exported->records);
    if (!exported->skipped.isEmpty())
        text += QStringLiteral("\nПропущены:\n") + exported->skipped.join(QLatin1Char('\n'));
    prompts().message(text);
}

DbfExportRequest TUnf::gatherRequest(const QString& chosenPath) const
{
    DbfExportRequest request;
    request.templatePath = dbfTemplatePath();
    request.outputPath = dbfOutputPath(chosenPath);
    request.year = ReportYear;
    request.reportId = ComboBox2->currentData().toInt();
    request.territory = ComboBox1->currentText();
    for (int i = 0; i < CheckListBox1->count(); ++i) {
        if (CheckListBox1->item(i)->checkState() == Qt::Checked)
            request.sections.append(i);
    }
    return request;
}

DbfExportResult TUnf::exportWithProgress(const DbfExportRequest& request)
{
    WaitCursor wait;
    BitBtn1->hide();
    ProgressBar1->setRange(0, int(request.sections.size()));
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    // The button comes back however the export ends.
    const auto restore = qScopeGuard([this] {
        ProgressBar1->hide();
        BitBtn1->show();
    });
    return exportReport(dbmain(), dbdat(), m_links, request, [this](int position) {
        ProgressBar1->setValue(position);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
}
