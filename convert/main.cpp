#include "platform/Application.h"

#include <QMainWindow>

int main(int argc, char** argv)
{
    KestrinApplication app(argc, argv);
    loadQtTranslation(app);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tormik"));
    window.show();
    return app.exec();
}
