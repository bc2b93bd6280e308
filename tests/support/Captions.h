#pragma once
// A menu item's caption as the user reads it: without the "&" that marks its keyboard letter
// ("&&" reads as one "&"). Tests compare captions so, whichever letter the item got.

#include <QAction>
#include <QString>

inline QString caption(const QString& text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        shown += text.at(i);
    }
    return shown;
}

inline QString caption(const QAction* action) { return caption(action->text()); }
