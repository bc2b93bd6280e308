#include "core/Common.h"
#include "core/KtrMain.h"
#include "core/Unit1.h"
#include "entry/Unit2.h"
#include "entry/Unit3.h"
#include "entry/Unit4.h"
#include "entry/Unit6.h"
#include "setup/LForm.h"
#include "platform/Application.h"

int main(int argc, char** argv)
{
    KestrinApplication app(argc, argv);
    loadQtTranslation(app);
    TMain main;
    // The windows that live for the whole run come after the main window, the result list
    // first; the group-loading checklist, the forms catalogue, the final-print warning, the
    // Excel workbook chooser and the short-name prompt follow it, in that order. Each sets its
    // global instance while it exists.
    TForm1 resultList;
    TSFLF groupLoadForms;
    TFormL formsCatalogue;
    TForm3 finalPrintWarning;
    TForm4 workbookChooser;
    TForm6 shortNamePrompt;
    main.showMaximized();
    const int code = app.exec();
    clearSharedState();
    return code;
}
