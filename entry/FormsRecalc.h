#pragma once
// The forms tree's recalculation commands without the window: "Пересчитать форму" recomputes the
// tables of one form (formed from their conditions in the Ф47 mode, summed otherwise),
// "Пересчитать отчет" sums every table of every form of the tree. Both ask their questions
// through the prompts, before anything is read or written, and leave what they found for the
// window to show.

#include "core/TableRecalc.h"
#include "entry/FormsTreeModel.h"

#include <QList>
#include <QString>
#include <functional>

class Prompts;

struct FormsRecalcResult {
    bool ran = false;                    // false: an answer stopped it, or there was nothing to do
    bool failed = false;                 // `message` is an error
    QString message;                     // what to tell the user last; empty: nothing
    QList<FormationProblem> problems;    // a formation's problems, listed before the message
};

// The forms tree's texts.
inline const QString FormRecalcDone = QStringLiteral("Пересчет формы закончен");
inline const QString ReportRecalcDone = QStringLiteral("Пересчет отчета закончен");
inline const QString RoundQuestion = QStringLiteral("Округлять результат?");
// "Пересчитать форму Ф30? Сохраненные значения будут заменены."
QString formRecalcQuestion(const QString& formName);
// "Персчитать <caption>?"
QString reportRecalcQuestion(const QString& caption);

// "Пересчитать форму" for the form, from the shared state (see RecalcContext::fromGlobals). In
// the Ф47 mode it asks "Округлять результат?" (Yes, No, Cancel: Cancel changes nothing) and sets
// RoundResults; otherwise it asks formRecalcQuestion when the owner has values stored in the
// form's tables. An empty composition is told before any question. DbError of the reads does
// not pass: it becomes the result's error.
FormsRecalcResult recalculateForm(Prompts& prompts, const FormsTreeForm& form,
                                  const std::function<void(const QString&)>& status = {});
// "Пересчитать отчет": asks reportRecalcQuestion, then sums the tables of every form of the
// tree, whatever the mode (a network report is summed here too, never formed).
FormsRecalcResult recalculateReport(Prompts& prompts, const FormsTree& tree, const QString& caption,
                                    const std::function<void(const QString&)>& status = {});
