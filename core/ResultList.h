#pragma once
// What the result-list window shows: a caption, a title, column captions and rows of texts.
// Fillers build it without a window; the window only displays it.

#include <QList>
#include <QString>
#include <QStringList>

struct ResultListItem {
    QString caption;          // first column
    QStringList subItems;     // the further columns, in order
    int object = 0;           // what the line stands for (the control code of an error line)
    bool operator==(const ResultListItem&) const = default;
};

struct ResultList {
    QString windowCaption;
    QString title;            // the label above the list
    QStringList columns;      // column captions
    QList<ResultListItem> items;

    // Removes the columns and the items; caption and title stay.
    void clearList()
    {
        columns.clear();
        items.clear();
    }
};
