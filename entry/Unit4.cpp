#include "entry/Unit4.h"

#include "widgets/DialogButtons.h"

#include <QListWidget>
#include <QVBoxLayout>

TForm4::TForm4(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Выьерите книгу Excel"));
    resize(360, 260);
    auto* layout = new QVBoxLayout(this);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    layout->addWidget(ListBox1);
    const DialogButtons buttons = addOkCancelRow(this, layout);
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    m_previous = Form4;
    Form4 = this;
}

TForm4::~TForm4()
{
    if (Form4 == this)
        Form4 = m_previous;
}
