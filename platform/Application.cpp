#include "platform/Application.h"

#include "platform/Database.h"
#include "platform/DialogPrompts.h"
#include "platform/Sound.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

KestrinApplication::KestrinApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    static DialogPrompts dialogs;
    m_previousPrompts = setDefaultPrompts(&dialogs);
    setSystemBeep(&QApplication::beep);
}

KestrinApplication::~KestrinApplication()
{
    setSystemBeep(nullptr);
    setDefaultPrompts(m_previousPrompts);
}

bool loadQtTranslation(QCoreApplication& app)
{
    // One translator for the whole run, owned by the application.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool KestrinApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showApplicationError(e);
    }
    return false;
}

void showApplicationError(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const DbError*>(&e))
        prompts().error(db->userText());
    else
        // Only a fault of the program itself gets here, and its text is the library's English.
        prompts().error(QStringLiteral("Команда прервана из-за внутренней ошибки программы."));
}
