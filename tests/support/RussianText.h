#pragma once
// Whether a text shown to the user is wholly Russian. File paths and the names the user gave
// (a form "F12", a file "links.mdb") may be Latin; every other word must not.

#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The Latin words of `text` once `allowed` (names, file names) and every path (a word with a
// "/" or "\" in it) are taken out; empty when nothing else is Latin.
inline QStringList latinWords(QString text, const QStringList& allowed = {})
{
    for (const QString& a : allowed)
        text.remove(a);
    static const QRegularExpression path(QStringLiteral(R"([^\s"«»]*[/\\][^\s"«»]*)"));
    text.remove(path);
    static const QRegularExpression latin(QStringLiteral("[A-Za-z]+"));
    QStringList words;
    for (auto it = latin.globalMatch(text); it.hasNext();)
        words << it.next().captured(0);
    return words;
}
