#include "platform/Prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtGlobal>

namespace {
Prompts* g_current = nullptr;
Prompts* g_default = nullptr;
QString g_title;
QString g_programTitle;

[[noreturn]] void nobodyToAsk(const QString& what)
{
    qFatal("A prompt with no prompts installed: %s", qUtf8Printable(what));
}

// What prompts() gives before any prompts exist: the question cannot be answered, so the
// program stops rather than carrying on with an answer the user never gave.
class NoPrompts final : public Prompts {
public:
    void message(const QString& text) override { nobodyToAsk(text); }
    void error(const QString& text) override { nobodyToAsk(text); }
    void warning(const QString& text) override { nobodyToAsk(text); }
    bool question(const QString& text) override { nobodyToAsk(text); }
    bool okCancel(const QString& text) override { nobodyToAsk(text); }
    Answer yesNoCancel(const QString& text) override { nobodyToAsk(text); }
    std::optional<QString> input(const QString& caption, const QString& label, const QString&) override
    {
        nobodyToAsk(caption + QLatin1Char(' ') + label);
    }
    QString chooseFolder(const QString& caption, const QString&) override { nobodyToAsk(caption); }
    QString openFileName(const QString& caption, const QString&, const QString&) override { nobodyToAsk(caption); }
    int exec(QDialog&) override { nobodyToAsk(QStringLiteral("a modal window")); }

protected:
    QString chooseSaveFileName(const QString& caption, const QString&, const QString&) override
    {
        nobodyToAsk(caption);
    }
};
}

QString Prompts::saveFileName(const QString& caption, const QString& filter, const QString& start)
{
    const QString chosen = chooseSaveFileName(caption, filter, start);
    if (chosen.isEmpty())
        return chosen;
    const QString path = withDefaultExtension(chosen, filter);
    // A folder of that name is no file to replace: the write itself says it cannot be made.
    const QFileInfo target(path);
    if (target.exists() && !target.isDir() && !question(replaceFileQuestion(path)))
        return QString();
    return path;
}

QString withDefaultExtension(const QString& name, const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral(R"(\*\.([^\s;*?()]+))"));
    QStringList extensions;
    for (const QRegularExpressionMatch& m : pattern.globalMatch(filter))
        extensions.append(m.captured(1));
    if (extensions.isEmpty())
        return name;
    for (const QString& extension : extensions)
        if (name.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive))
            return name;
    return name + QLatin1Char('.') + extensions.first();
}

QString replaceFileQuestion(const QString& path)
{
    return QStringLiteral("Файл %1 уже существует. Заменить его?").arg(QDir::toNativeSeparators(path));
}

Prompts& prompts()
{
    static NoPrompts none;
    if (g_current)
        return *g_current;
    return g_default ? *g_default : none;
}

Prompts* setPrompts(Prompts* p)
{
    Prompts* old = g_current;
    g_current = p;
    return old;
}

Prompts* setDefaultPrompts(Prompts* p)
{
    Prompts* old = g_default;
    g_default = p;
    return old;
}

QString promptTitle()
{
    return g_title.isEmpty() ? programTitle() : g_title;
}

QString programTitle()
{
    return g_programTitle.isEmpty() ? QStringLiteral("Кестрин") : g_programTitle;
}

void setProgramTitle(const QString& title)
{
    g_programTitle = title.trimmed();
    if (QCoreApplication::instance())
        QCoreApplication::setApplicationName(programTitle());
}

void setPromptTitle(const QString& title)
{
    g_title = title.trimmed();
}
