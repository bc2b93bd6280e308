#include "platform/Application.h"

#include "platform/Database.h"
#include "platform/DialogPrompts.h"
#include "platform/Prompts.h"
#include "platform/Sound.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QWidget>
#include <QTranslator>

namespace {
// A lone Alt and F10 reach a window's menu bar whatever style the desktop gives (most do it
// already, a few leave the bar to the mouse), and the item they light is drawn lit: some styles
// light a bar's item only while its menu is open, so the bar seemed not to answer the key.
class MenuBarKeysStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_MenuBarItem && (option->state & State_Selected) && widget && widget->hasFocus()) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem lit(*item);
                lit.state |= State_Sunken;
                QProxyStyle::drawControl(element, &lit, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

KestrinApplication::LastResortObserver lastResortObserver = nullptr;
} // namespace

void KestrinApplication::setLastResortObserver(LastResortObserver observer) { lastResortObserver = observer; }

KestrinApplication::KestrinApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    static DialogPrompts dialogs;
    m_previousPrompts = setDefaultPrompts(&dialogs);
    setSystemBeep(&QApplication::beep);
    setApplicationName(programTitle());
    setStyle(new MenuBarKeysStyle(style()->name()));
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
        if (lastResortObserver)
            lastResortObserver(e);
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
