#pragma once
// The application object: the one place where an error raised by a handler is caught before it
// would unwind through Qt's event loop, and shown in the application error box. While it exists
// the dialog-backed prompts are the default ones and a missing sound beeps.

#include <QApplication>
#include <exception>

class Prompts;

class KestrinApplication : public QApplication {
public:
    KestrinApplication(int& argc, char** argv);
    ~KestrinApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

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
