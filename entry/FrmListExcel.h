#pragma once
// The forms tree's "Вывод в Excel": which commands it offers when, what they ask and what they
// show. The workbooks themselves are made by entry/FormExcel.
//
//     m_excel = new FormListExcel(*this);   // builds the menu on the window's menu bar
//     m_excel->updateCommands();            // after the selection or the owner changed

#include "entry/FormExcel.h"
#include "entry/ShortNames.h"

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

class TFormList;

class FormListExcel : public QObject {
    Q_OBJECT
public:
    // Adds the menu and its three commands (TFormList's ExcelMenu, N18, N19, N20) to the window.
    explicit FormListExcel(TFormList& window);

    void updateCommands();
    void N18Click();
    void N19Click();
    void N20Click();

private:
    std::optional<QList<ShortName>> readShortNamesAskingForFile();
    // The incoming items; nothing, after saying why, when they cannot be read or there is
    // nothing to export.
    std::optional<QList<ExcelExportItem>> readIncomingItems(bool formHasTables);
    // Shows the error of a failed step; gives `ok` back.
    bool showingError(bool ok);

    TFormList& m_window;
    QString m_error;
};
