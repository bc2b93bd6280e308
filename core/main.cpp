#include "core/KtrMain.h"
#include "core/Unit1.h"
#include "platform/Application.h"

int main(int argc, char** argv)
{
    KestrinApplication app(argc, argv);
    TMain main;
    // The windows that live for the whole run, after the main window and in this order: the
    // result list; then, as each is written, the group-loading checklist TSFLF (entry/Unit2),
    // the forms catalogue TFormL (setup/LForm), the final-print warning TForm3 (entry/Unit3),
    // the Excel workbook chooser TForm4 (entry/Unit4) and the short-name prompt TForm6
    // (entry/Unit6). Each sets its global instance while it exists.
    TForm1 resultList;
    main.showMaximized();
    return app.exec();
}
