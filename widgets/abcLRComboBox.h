#pragma once
// A combo box that shows the same item after its native window is destroyed and made again
// (moved to another window, its top-level window rebuilt). OnChange is the user's choice only:
// an item selected by the program raises nothing.

#include <QComboBox>

class TabcLRComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TabcLRComboBox(QWidget* parent = nullptr);

signals:
    // The user picked or stepped to an item (also when it is the one already shown).
    void OnChange();

protected:
    bool event(QEvent* event) override;

private:
    int m_savedIndex = -1;
    bool m_windowDown = false;
};
