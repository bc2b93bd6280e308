#include "convert/Unit1.h"
#include "platform/Application.h"

int main(int argc, char** argv)
{
    KestrinApplication app(argc, argv);
    loadQtTranslation(app);
    TForm1 window;
    window.show();
    return app.exec();
}
