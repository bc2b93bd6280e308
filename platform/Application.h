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

// The application error box: "Ошибка базы данных: …" with the statement, or the error's text.
void showApplicationError(const std::exception& e);
