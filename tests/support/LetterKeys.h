#pragma once
// A letter key as the keyboard gives it, Cyrillic included (QTest::keyClick knows only Latin-1
// letters): the key of the upper-case letter and the typed letter as its text.

#include <QString>
#include <QTest>
#include <QWidget>

inline void pressLetter(QWidget* target, QChar letter, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::sendKeyEvent(QTest::Click, target, Qt::Key(letter.toUpper().unicode()),
                        QString(letter.toLower()), modifiers);
}

// The letter a caption marks with "&", upper-cased; a null QChar when it marks none.
inline QChar markedLetter(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toUpper();
        ++i;
    }
    return QChar();
}
