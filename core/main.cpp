#include "platform/Application.h"

#include <QMainWindow>

int main(int argc, char** argv)
{
    KestrinApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Формирование и контроль медицинских статистических отчетных форм"));
    window.show();
    return app.exec();
}
