#pragma once
// The application object: the one place where an error raised by a handler is caught before it
// would unwind through Qt's event loop, and shown in the application error box.

#include <QApplication>
#include <exception>

class KestrinApplication : public QApplication {
public:
    KestrinApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The application error box: "Ошибка базы данных: …" with the statement, or the error's text.
void showApplicationError(const std::exception& e);
