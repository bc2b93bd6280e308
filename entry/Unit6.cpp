#include "entry/Unit6.h"

#include "platform/Prompts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

TForm6::TForm6(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Не задано сокращенное наименование МО"));
    // No close box: only OK ends it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("Пожалуйста, задайте сокращенное наименование  для вышеуказанной МО"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(31);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setVisible(false);
    BitBtn1->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Edit1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    layout->addLayout(buttons);
    connect(Edit1, &QLineEdit::textChanged, this, &TForm6::Edit1Change);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    Form6 = this;
}

TForm6::~TForm6()
{
    if (Form6 == this)
        Form6 = nullptr;
}

void TForm6::Edit1Change()
{
    BitBtn1->setVisible(!Edit1->text().isEmpty());
}

QString GetShortName(const QList<ShortName>& names, const QString& fullName)
{
    const std::optional<QString> found = lastShortName(names, fullName);
    if (found && !found->isEmpty())
        return *found;
    std::unique_ptr<TForm6> own;
    if (!Form6)
        own = std::make_unique<TForm6>();   // without the start-up one, for this question only
    TForm6* dialog = Form6;
    dialog->Label1->setText(found ? QStringLiteral("Не задано сокращенное наименование для\n") + fullName
                                  : fullName + QStringLiteral("\nотсутствует в списке сокращенных наименований"));
    dialog->Edit1->clear();
    prompts().exec(*dialog);
    const QString result = dialog->Edit1->text();
    prompts().message(QStringLiteral("Пожалуйста, не забудьте подкорректировать список сокращенных наименований!"));
    return result;
}
