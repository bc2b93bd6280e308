#include "ScriptedModal.h"

#include <QDialog>

namespace {
// The dialog is shown, not run modally, so the test's handler can work it and close it.
class WindowModalRunner final : public ScriptedModalRunner {
public:
    QString className(QDialog& dialog) override { return QString::fromLatin1(dialog.metaObject()->className()); }

    int run(QDialog& dialog, const std::function<int(QDialog&)>& handler) override
    {
        dialog.show();
        const int result = handler ? handler(dialog) : QDialog::Rejected;
        dialog.hide();
        dialog.setResult(result);
        return result;
    }
};
}

void installScriptedModalRunner()
{
    static WindowModalRunner runner;
    setScriptedModalRunner(&runner);
}
