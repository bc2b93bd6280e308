#pragma once
// How a window runs a command that may meet the database. The database layer throws DbError;
// logic lets it pass, and the handler that started the command catches it here, before it could
// unwind through Qt's event delivery (which does not support exceptions, and leaks what it
// allocated for the event). The box says what failed, which only the window knows, then the
// database's own Russian account of it, naming the file.

#include "platform/Database.h"
#include "platform/Prompts.h"

#include <QString>
#include <optional>
#include <type_traits>
#include <utility>

// The text of the box for a failure of `whatFailed` ("Отчет не удален."); without one, the
// database's account alone.
inline QString failureText(const QString& whatFailed, const DbError& e)
{
    return whatFailed.isEmpty() ? e.userText() : whatFailed + QLatin1Char('\n') + e.userText();
}

// Runs `command`; a DbError is shown in the error box and stops there. A command without a result
// gives true when it ran to its end; one with a result gives it, or nothing after a failure.
//     runShowingFailure(QStringLiteral("Отчет не удален."), [&] { deleteReport(dbmain(), id); });
// `whatFailed` may also be a function giving the text, for a command whose failure is told by
// how far it came (the file a group load stopped at).
template <typename What, typename Command>
auto runShowingFailure(const What& whatFailed, Command&& command)
{
    using Result = std::remove_cvref_t<std::invoke_result_t<Command&>>;
    try {
        if constexpr (std::is_void_v<Result>) {
            command();
            return true;
        } else {
            return std::optional<Result>(command());
        }
    } catch (const DbError& e) {
        if constexpr (std::is_invocable_r_v<QString, const What&>)
            prompts().error(failureText(whatFailed(), e));
        else
            prompts().error(failureText(QString(whatFailed), e));
        if constexpr (std::is_void_v<Result>)
            return false;
        else
            return std::optional<Result>();
    }
}
