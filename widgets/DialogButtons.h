#pragma once
// The OK/"Отказ" row of the program's small dialogs: right-aligned, named BitBtn1 and BitBtn2 as
// tests find them, "Отказ" rejecting. What OK does is the dialog's own, so it is connected there.

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
};

// okDefault: Enter presses OK; off where Enter belongs to a tree or list of the dialog.
inline DialogButtons addOkCancelRow(QDialog* dialog, QBoxLayout* layout, bool okDefault = true)
{
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    if (okDefault)
        ok->setDefault(true);
    else
        ok->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("Отказ"), dialog);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    cancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return {ok, cancel};
}
