#include "core/KtrMain.h"
#include "platform/Application.h"

int main(int argc, char** argv)
{
    KestrinApplication app(argc, argv);
    TMain main;
    // The windows that live for the whole run are created here, after the main window and in
    // this order, as each is written: the result list TForm1 (core/Unit1), the group-loading
    // checklist TSFLF (entry/Unit2), the forms catalogue TFormL (setup/LForm), the final-print
    // warning TForm3 (entry/Unit3), the Excel workbook chooser TForm4 (entry/Unit4) and the
    // short-name prompt TForm6 (entry/Unit6).
    main.showMaximized();
    return app.exec();
}
