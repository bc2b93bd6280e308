#include "entry/Unit3.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TForm3::TForm3(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Внимание!"));
    resize(520, 260);
    auto* layout = new QVBoxLayout(this);
    auto label = [this, layout](const char* name, const QString& text, bool bold) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setAlignment(Qt::AlignHCenter);
        QFont font = l->font();
        font.setBold(bold);
        l->setFont(font);
        layout->addWidget(l);
        return l;
    };
    Label1 = label("Label1", QStringLiteral("Внимание!"), true);
    QFont big = Label1->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    Label1->setFont(big);
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(red);
    Label2 = label("Label2", QStringLiteral("Вы собрались вывести  форму № для отчета!"), true);
    Label3 = label("Label3", QStringLiteral("Не забывайте, что  другой попытки  распечатать эту форму  у Вас НЕ будет..."), true);
    Label4 = label("Label4", QStringLiteral("Если Вы измените данные в форме после ее печати в этом режиме, Вам "
                                            "придется объяснять эти изменения при сдаче формы"), true);
    Label4->setWordWrap(true);
    Label5 = label("Label5", QStringLiteral("Печатать форму?"), false);
    auto* buttons = new QHBoxLayout;
    BitBtn1 = new QPushButton(QStringLiteral("Да"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("Нет"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    m_previous = Form3;
    Form3 = this;
}

TForm3::~TForm3()
{
    if (Form3 == this)
        Form3 = m_previous;
}
