#pragma once
// What the user types into the focused cell of the table grid. There is no editor: the grid
// keeps the typed text here and paints it. A sum or difference may be typed ("5+3"); typing a
// further sign works out the pending one first ("12+3" then "+" gives "15+"), so at most one
// operation is ever pending. The text is refused character by character as it is typed, so a
// text kept here always stands for a number.

#include <QChar>
#include <QString>

// The value of a text "a", "a+b" or "a-b" (a may carry a leading minus) as the grid shows it:
// two decimals when the table holds fractions, the plain number otherwise. A text without an
// operation comes back as it is.
QString EvaluateEntry(const QString& text, bool allowsFraction);

class CellEntry {
public:
    enum class Result { Refused, Changed };
    // What the grid types for Qt::Key_Backspace: the last character is taken back.
    static constexpr QChar Backspace{u'\b'};

    // The focused cell was entered showing `text`; EntryText and EntryOldText both become it.
    void start(const QString& text);

    const QString& text() const { return m_text; }          // EntryText
    const QString& oldText() const { return m_oldText; }    // EntryOldText
    bool changed() const { return m_text != m_oldText; }

    // Whether "." (or ",", taken as ".") is accepted.
    bool allowsFraction() const { return m_allowsFraction; }
    void setAllowsFraction(bool on) { m_allowsFraction = on; }

    // One typed character: a digit, "." or ",", "+" or "-", Backspace, or the clearing
    // character (255 / "я"). Anything else, and anything that would not leave a number, is
    // refused and changes nothing; refusal() then says why, for the user.
    Result type(QChar ch);
    // Why the last character typed was refused (Russian, one line); empty after an accepted one.
    const QString& refusal() const { return m_refusal; }
    // The clearing keys: the text becomes empty. False when it was empty already.
    bool clear();
    // Back to the text the cell had when entered. False when nothing was typed.
    bool undo();

    // The number the text stands for: a trailing sign is dropped, a pending sum or difference
    // worked out, an empty text is 0.
    double value() const;
    // The cell was left and its value taken: the typed text becomes the old one.
    void commit() { m_oldText = m_text; }

private:
    // Why `ch` cannot be typed now; empty when it can.
    QString refusalOf(QChar ch) const;

    QString m_text;
    QString m_oldText;
    QString m_refusal;
    bool m_allowsFraction = false;
};
