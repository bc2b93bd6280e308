#include "widgets/MenuKeys.h"

#include <QActionEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QList>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSet>
#include <QShortcut>

namespace {

// Setting a caption tells every menu showing the item; the menus then must not answer with
// letters of their own while the first one is still choosing.
bool g_marking = false;

// The caption with its letter: the first letter or digit of the caption that `taken` does not
// hold yet (Qt matches letters whatever their case). A text after a tab is the shortcut shown
// beside the item and stays as it is.
QString marked(const QString& text, QSet<QChar>& taken)
{
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    const QString caption = plainCaption(tab < 0 ? text : text.left(tab));
    qsizetype chosen = -1;
    for (qsizetype i = 0; i < caption.size() && chosen < 0; ++i) {
        const QChar key = caption.at(i).toUpper();
        if (caption.at(i).isLetterOrNumber() && !taken.contains(key)) {
            chosen = i;
            taken.insert(key);
        }
    }
    QString result;
    result.reserve(text.size() + 2);
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (i == chosen)
            result += QLatin1Char('&');
        result += caption.at(i);
        if (caption.at(i) == QLatin1Char('&'))
            result += QLatin1Char('&');
    }
    return tab < 0 ? result : result + text.mid(tab);
}

void markMenu(QWidget* menu)
{
    if (g_marking)
        return;
    g_marking = true;
    QSet<QChar> taken;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() || a->text().isEmpty())
            continue;
        const QString text = marked(a->text(), taken);
        if (text != a->text())
            a->setText(text);
    }
    g_marking = false;
}

// Keeps the letters of one bar or popup and of every menu under it.
class MenuKeys final : public QObject {
public:
    explicit MenuKeys(QWidget* top) : QObject(top) { watch(top); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ActionAdded:
        case QEvent::ActionChanged:
        case QEvent::ActionRemoved:
            if (auto* menu = qobject_cast<QWidget*>(watched)) {
                QAction* a = static_cast<QActionEvent*>(event)->action();
                if (event->type() != QEvent::ActionRemoved && a->menu())
                    watch(a->menu());
                markMenu(menu);
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    void watch(QMenu* menu)
    {
        if (!menu)
            return;
        watch(static_cast<QWidget*>(menu));
    }
    void watch(QWidget* menu)
    {
        m_watched.removeAll(nullptr);
        for (const QPointer<QWidget>& w : m_watched)
            if (w == menu)
                return;
        m_watched.append(menu);
        menu->installEventFilter(this);
        for (QAction* a : menu->actions())
            watch(a->menu());
        markMenu(menu);
    }

    QList<QPointer<QWidget>> m_watched;
};

bool hasKeys(QWidget* top)
{
    for (QObject* child : top->children())
        if (dynamic_cast<MenuKeys*>(child))
            return true;
    return false;
}

} // namespace

QString plainCaption(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;   // "&&" reads as one "&", "&x" as "x"
        plain += text.at(i);
    }
    return plain;
}

void giveMenuKeys(QMenuBar* bar)
{
    if (!bar || hasKeys(bar))
        return;
    new MenuKeys(bar);
    // A lone Alt puts the bar in its keyboard mode (the first menu lit, arrows walk, Enter or
    // Down opens); Qt has no key of its own for F10, so F10 hands the bar the events of a lone
    // Alt, as the keyboard sends them.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), bar);
    QObject::connect(f10, &QShortcut::activated, bar, [bar] {
        QWidget* target = bar->window()->focusWidget() ? bar->window()->focusWidget() : bar->window();
        QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::AltModifier);
        QCoreApplication::sendEvent(target, &override);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
        QCoreApplication::sendEvent(target, &release);
    });
}

void giveMenuKeys(QMenu* popup)
{
    if (popup && !hasKeys(popup))
        new MenuKeys(popup);
}
