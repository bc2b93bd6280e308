#include "widgets/abcLRComboBox.h"

#include <QEvent>

TabcLRComboBox::TabcLRComboBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this] { emit OnChange(); });
    // what the program selects while there is no window is what the new window must show
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_windowDown)
            m_savedIndex = index;
    });
}

bool TabcLRComboBox::event(QEvent* event)
{
    if (event->type() == QEvent::WinIdChange) {
        if (internalWinId() == 0) {
            m_savedIndex = currentIndex();
            m_windowDown = true;
        } else if (m_windowDown) {
            m_windowDown = false;
            if (m_savedIndex != -1 && m_savedIndex < count() && currentIndex() != m_savedIndex)
                setCurrentIndex(m_savedIndex);
        }
    }
    return QComboBox::event(event);
}
