#pragma once
// The application object. While it exists the dialog-backed prompts are the default ones and a
// missing sound beeps. A handler catches its own database failures (platform/WindowCommand.h);
// notify() keeps a last-resort catch for an error that escaped one anyway, shown in the
// application error box so the program goes on.

#include <QApplication>
#include <exception>

class Prompts;

class KestrinApplication : public QApplication {
public:
    KestrinApplication(int& argc, char** argv);
    ~KestrinApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

    // Called with every error that reached the last-resort catch, once it is shown. An error
    // there has already unwound through Qt's frames, which is a fault of the handler: the window
    // tests install an observer that fails the running test.
    using LastResortObserver = void (*)(const std::exception&);
    static void setLastResortObserver(LastResortObserver observer);

private:
    Prompts* m_previousPrompts = nullptr;
};

// Installs Qt's own Russian texts (the file and folder dialogs, the standard buttons, the context
// menus of edit fields) from Qt's translations folder; false when qtbase_ru is not there, and
// then the prompts still carry their own Russian button texts.
bool loadQtTranslation(QCoreApplication& app);

// The application error box: a database error in the user's words (what failed, on which file,
// never the statement), any other error as the program's own fault (its text is the library's
// English and stays out).
void showApplicationError(const std::exception& e);
