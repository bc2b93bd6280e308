#include "ScriptedPrompts.h"

#include <gtest/gtest.h>

namespace {
const char* kindName(Prompts::Kind kind)
{
    switch (kind) {
    case Prompts::Kind::Message: return "message";
    case Prompts::Kind::Error: return "error";
    case Prompts::Kind::Warning: return "warning";
    case Prompts::Kind::Question: return "question";
    case Prompts::Kind::OkCancel: return "okCancel";
    case Prompts::Kind::YesNoCancel: return "yesNoCancel";
    case Prompts::Kind::Input: return "input";
    case Prompts::Kind::Folder: return "folder";
    case Prompts::Kind::OpenFile: return "openFile";
    case Prompts::Kind::SaveFile: return "saveFile";
    case Prompts::Kind::Modal: return "modal";
    }
    return "?";
}
}

ScriptedPrompts::ScriptedPrompts() { m_previous = setPrompts(this); }

ScriptedPrompts::~ScriptedPrompts()
{
    setPrompts(m_previous);
    for (const Step& s : m_steps)
        ADD_FAILURE() << "scripted " << kindName(s.kind) << " never asked for: "
                      << s.contains.toStdString();
}

#define KESTRIN_STEP(kind_, ...)                                                                   \
    Step s{kind_, __VA_ARGS__};                                                                    \
    m_steps.append(s);                                                                             \
    return *this

ScriptedPrompts& ScriptedPrompts::expectMessage(const QString& c) { KESTRIN_STEP(Kind::Message, c); }
ScriptedPrompts& ScriptedPrompts::expectError(const QString& c) { KESTRIN_STEP(Kind::Error, c); }
ScriptedPrompts& ScriptedPrompts::expectWarning(const QString& c) { KESTRIN_STEP(Kind::Warning, c); }
ScriptedPrompts& ScriptedPrompts::expectQuestion(bool yes, const QString& c) { KESTRIN_STEP(Kind::Question, c, yes); }
ScriptedPrompts& ScriptedPrompts::expectOkCancel(bool ok, const QString& c) { KESTRIN_STEP(Kind::OkCancel, c, ok); }
ScriptedPrompts& ScriptedPrompts::expectInput(std::optional<QString> a, const QString& c) { KESTRIN_STEP(Kind::Input, c, false, a); }
ScriptedPrompts& ScriptedPrompts::expectFolder(const QString& a) { KESTRIN_STEP(Kind::Folder, QString(), false, a); }
ScriptedPrompts& ScriptedPrompts::expectOpenFile(const QString& a) { KESTRIN_STEP(Kind::OpenFile, QString(), false, a); }
ScriptedPrompts& ScriptedPrompts::expectSaveFile(const QString& a) { KESTRIN_STEP(Kind::SaveFile, QString(), false, a); }
ScriptedPrompts& ScriptedPrompts::expectModal(const QString& cls, ModalHandler h) { KESTRIN_STEP(Kind::Modal, cls, false, std::nullopt, std::move(h)); }

#undef KESTRIN_STEP

ScriptedPrompts& ScriptedPrompts::expectOpenFiles(const QStringList& answer)
{
    m_steps.append(Step{Kind::OpenFile, QString(), false, std::nullopt, {}, Answer::Cancel, answer});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::expectYesNoCancel(Answer answer, const QString& c)
{
    Step s{Kind::YesNoCancel, c};
    s.answer = answer;
    m_steps.append(s);
    return *this;
}

const ScriptedPrompts::Step* ScriptedPrompts::take(Kind kind, const QString& text)
{
    m_log.append(QStringLiteral("%1: %2").arg(QString::fromLatin1(kindName(kind)), text));
    if (m_steps.isEmpty()) {
        ADD_FAILURE() << "unexpected " << kindName(kind) << ": " << text.toStdString();
        return nullptr;
    }
    const Step& next = m_steps.first();
    if (next.kind != kind) {
        ADD_FAILURE() << "expected " << kindName(next.kind) << " (" << next.contains.toStdString()
                      << "), got " << kindName(kind) << ": " << text.toStdString();
        return nullptr;
    }
    if (!next.contains.isEmpty() && !text.contains(next.contains)) {
        ADD_FAILURE() << "expected a " << kindName(kind) << " containing \"" << next.contains.toStdString()
                      << "\", got: " << text.toStdString();
    }
    m_current = m_steps.takeFirst();
    return &m_current;
}

void ScriptedPrompts::message(const QString& text) { take(Kind::Message, text); }
void ScriptedPrompts::error(const QString& text) { take(Kind::Error, text); }
void ScriptedPrompts::warning(const QString& text) { take(Kind::Warning, text); }

bool ScriptedPrompts::question(const QString& text)
{
    const Step* s = take(Kind::Question, text);
    return s && s->yes;
}

bool ScriptedPrompts::okCancel(const QString& text)
{
    const Step* s = take(Kind::OkCancel, text);
    return s && s->yes;
}

Prompts::Answer ScriptedPrompts::yesNoCancel(const QString& text)
{
    const Step* s = take(Kind::YesNoCancel, text);
    return s ? s->answer : Answer::Cancel;
}

std::optional<QString> ScriptedPrompts::input(const QString& caption, const QString& label,
                                              const QString&)
{
    const Step* s = take(Kind::Input, caption + QStringLiteral(" / ") + label);
    return s ? s->text : std::nullopt;
}

QString ScriptedPrompts::chooseFolder(const QString& caption, const QString& start)
{
    m_fileStarts.append(start);
    const Step* s = take(Kind::Folder, caption);
    return s ? s->text.value_or(QString()) : QString();
}

QString ScriptedPrompts::openFileName(const QString& caption, const QString&, const QString& start)
{
    m_fileStarts.append(start);
    const Step* s = take(Kind::OpenFile, caption);
    return s ? s->text.value_or(QString()) : QString();
}

QStringList ScriptedPrompts::openFileNames(const QString& caption, const QString& filter, const QString& start)
{
    // A script of one file answers a choice of several as the default does.
    if (!m_steps.isEmpty() && m_steps.first().kind == Kind::OpenFile && !m_steps.first().files)
        return Prompts::openFileNames(caption, filter, start);
    m_fileStarts.append(start);
    const Step* s = take(Kind::OpenFile, caption);
    return s ? s->files.value_or(QStringList()) : QStringList();
}

QString ScriptedPrompts::chooseSaveFileName(const QString& caption, const QString&, const QString& start)
{
    m_fileStarts.append(start);
    const Step* s = take(Kind::SaveFile, caption);
    return s ? s->text.value_or(QString()) : QString();
}

namespace {
ScriptedModalRunner* g_modalRunner = nullptr;
constexpr int kRejected = 0;   // QDialog::Rejected
}

void setScriptedModalRunner(ScriptedModalRunner* runner) { g_modalRunner = runner; }

int ScriptedPrompts::exec(QDialog& dialog)
{
    if (!g_modalRunner) {
        ADD_FAILURE() << "a modal run in a test without windows";
        return kRejected;
    }
    const QString cls = g_modalRunner->className(dialog);
    m_log.append(QStringLiteral("modal: %1").arg(cls));
    if (m_steps.isEmpty() || m_steps.first().kind != Kind::Modal) {
        ADD_FAILURE() << "unexpected modal run of " << cls.toStdString();
        return kRejected;
    }
    Step step = m_steps.takeFirst();
    if (!step.contains.isEmpty() && step.contains != cls)
        ADD_FAILURE() << "expected a modal run of " << step.contains.toStdString() << ", got " << cls.toStdString();
    return g_modalRunner->run(dialog, step.handler);
}
