#pragma once
// The OK/"Отказ" row of the program's small dialogs: right-aligned, named BitBtn1 and BitBtn2 as
// tests find them, "Отказ" rejecting. What OK does is the dialog's own, so it is connected there.

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
    QHBoxLayout* row;
};

// The row, neither placed nor connected: for a dialog that places it among its own widgets, puts
// a button of its own between OK and "Отказ" (row->insertWidget(2, ...)), or gives "Отказ" more
// to do than rejecting. okDefault: Enter presses OK; off where Enter belongs to a tree or list of
// the dialog. The buttons' parent is `parent` (a dialog, or a group box of one).
inline DialogButtons makeOkCancelRow(QWidget* parent, bool okDefault = true,
                                     const QString& okText = QStringLiteral("OK"))
{
    auto* row = new QHBoxLayout;
    auto* ok = new QPushButton(okText, parent);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    if (okDefault)
        ok->setDefault(true);
    else
        ok->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("Отказ"), parent);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    cancel->setAutoDefault(false);
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return {ok, cancel, row};
}

// The row at the end of `layout`, "Отказ" rejecting the dialog.
inline DialogButtons addOkCancelRow(QDialog* dialog, QBoxLayout* layout, bool okDefault = true)
{
    const DialogButtons buttons = makeOkCancelRow(dialog, okDefault);
    layout->addLayout(buttons.row);
    QObject::connect(buttons.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return buttons;
}
