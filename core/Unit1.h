#pragma once
// The result-list window: a titled table of texts (control errors, lists of institutions,
// computed tables) that can go to Word or Excel. It lives for the whole run as Form1; fillers
// hand it a ResultList and show it modally.

#include "core/ResultList.h"

#include <QDialog>

class QAction;
class QLabel;
class QMenuBar;
class QTreeWidget;

class TForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Shows exactly what was filled: caption, title, columns and items.
    void setList(const ResultList& list);
    const ResultList& list() const { return m_list; }

    QLabel* Label1 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QAction* N1 = nullptr;       // "В Word"
    QAction* Excel1 = nullptr;   // "В Excel"
    QAction* N2 = nullptr;       // "Выход"

    void N1Click();
    void Excel1Click();
    void N2Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    ResultList m_list;
};

// Set from the start of the run to its end (and while a test holds a TForm1).
inline TForm1* Form1 = nullptr;

// Fills Form1 with the list and runs it modally (through the prompt layer). Without a Form1 (a
// command run on its own) a window is made for the call.
void ShowResultList(const ResultList& list);
