#include "platform/Application.h"

#include "platform/Database.h"
#include "platform/Prompts.h"

KestrinApplication::KestrinApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
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
        prompts().error(QString::fromUtf8(e.what()));
}
