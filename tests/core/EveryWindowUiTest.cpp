// Every window of the program as a keyboard user and a Russian reader meet it: each menu bar
// reached by Alt with a letter, each menu's letters its own, each caption in Russian.

#include "core/Common.h"
#include "core/Configurations.h"
#include "core/ResultList.h"
#include "core/StructureCache.h"
#include "core/Unit1.h"
#include "entry/FrmList.h"
#include "entry/ShowTable.h"
#include "entry/TabTitle.h"
#include "entry/Unit2.h"
#include "entry/Unit3.h"
#include "entry/Unit5.h"
#include "entry/Unit6.h"
#include "entry/charNT.h"
#include "reports/ContRep.h"
#include "reports/MIFormulas.h"
#include "reports/MITree.h"
#include "reports/MTStat.h"
#include "reports/RptList.h"
#include "reports/StatShow.h"
#include "reports/SumRep.h"
#include "reports/UMerge.h"
#include "setup/AmdStruct.h"
#include "setup/ContrForm.h"
#include "setup/LForm.h"
#include "setup/MTF.h"
#include "setup/Tabls.h"
#include "setup/formChar.h"
#include "setup/uCLd.h"

#include "support/LetterKeys.h"
#include "support/PrintTo.h"
#include "support/SampleYear.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Make = std::function<std::unique_ptr<QWidget>()>;

struct WindowCase {
    const char* name;
    const char* workMode;   // the road the window is opened on
    Make make;
};

template <typename Window, typename... Args>
Make make(Args... args)
{
    return [=] { return std::unique_ptr<QWidget>(new Window(args...)); };
}

QWidget* popup() { return QApplication::activePopupWidget(); }

// Esc closes the open menu, then leaves the bar.
void closeMenus()
{
    while (popup())
        QTest::keyClick(popup(), Qt::Key_Escape);
    if (auto* bar = qobject_cast<QMenuBar*>(QApplication::focusWidget()))
        QTest::keyClick(bar, Qt::Key_Escape);
}

// Every item of a bar or menu, and of the menus under it, has a letter no other item of its own
// menu has.
void expectOwnLetters(const QWidget& menu, const QString& where)
{
    QSet<QChar> taken;
    for (const QAction* a : menu.actions()) {
        if (a->isSeparator() || a->text().isEmpty())
            continue;
        const QChar letter = markedLetter(a->text());
        EXPECT_FALSE(letter.isNull()) << (where + QStringLiteral(": ") + a->text()).toStdString();
        EXPECT_FALSE(taken.contains(letter)) << (where + QStringLiteral(": ") + a->text()).toStdString();
        taken.insert(letter);
        if (const QMenu* sub = a->menu())
            expectOwnLetters(*sub, where + QStringLiteral(" / ") + a->text());
    }
}

bool isRussian(const QString& text)
{
    static const QRegularExpression cyrillic(QStringLiteral("[А-Яа-яЁё]"));
    static const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
    return text.contains(cyrillic) && !text.contains(latin);
}

class EveryWindow : public ::testing::Test {
protected:
    SampleYear sample;
    int term = 0;

    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        ASSERT_FALSE(TreeIdents.isEmpty());
        term = TreeIdents.first();
        CfgDir = sample.configFolder() + QLatin1Char('/');
        CurrentInstitutionId = Sample::Unit::ZarechnayaInpatient;
        SelectedTableNodeId = Sample::Form::F12;
        CurrentFormName = QStringLiteral("Ф12");
        CurrentFormNumber = QStringLiteral("(1000)");
        TablesFormId = Sample::Form::F12;
    }
    static void road(const char* workMode)
    {
        WorkMode = QString::fromLatin1(workMode);
        const QString mode = WorkMode;
        DataTablePrefix = mode == QLatin1String("Input")   ? QStringLiteral("Data")
                          : mode == QLatin1String("Svod") ? QStringLiteral("RepData")
                          : mode.isEmpty()                ? QString()
                                                          : QStringLiteral("Repdata");
    }
};

} // namespace

TEST_F(EveryWindow, EachMenuOpensByAltAndALetterAndItsLettersAreItsOwn)
{
    const WindowCase cases[] = {
        {"grid", "Input", make<TVTable>()},
        {"grid of a summary report", "Svod", make<TVTable>()},
        {"forms tree", "Input", make<TFormList>()},
        {"administrative structure", "", make<TAdmForm>(AdmMode::Formation)},
        {"administrative structure for data entry", "Input", make<TAdmForm>(AdmMode::DataEntry)},
        {"forms catalogue", "", make<TFormL>()},
        {"tables of a form", "", make<TFTabs>()},
        {"summary reports", "Svod", make<TRepList>()},
        {"territory indicators", "Terrain", make<TRepList>()},
        {"institutions by type", "Types", make<TMTList>()},
        {"indicator-set tree", "", make<TMISetup>(TMISetup::Use::Setup)},
        {"result list", "", make<TForm1>()},
        {"indicator formula grid", "", make<TMIForms>(term, QStringLiteral("Набор"))},
        {"statistics view", "Terrain", make<TShowStat>(term, QStringLiteral("Показатели"), QStringLiteral("Набор"))},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.name);
        road(c.workMode);
        ScriptedPrompts prompts;
        std::unique_ptr<QWidget> window = c.make();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        auto* bar = window->findChild<QMenuBar*>();
        ASSERT_TRUE(bar);
        expectOwnLetters(*bar, QString::fromUtf8(c.name));

        for (QAction* a : bar->actions()) {
            if (!a->menu() || !a->isVisible() || !a->isEnabled())
                continue;
            SCOPED_TRACE(a->text().toStdString());
            pressLetter(window.get(), markedLetter(a->text()).toLower(), Qt::AltModifier);
            EXPECT_EQ(popup(), a->menu());
            EXPECT_EQ(bar->activeAction(), a);
            closeMenus();
        }
        // F10 lights the first command of the bar for the arrows.
        QAction* first = nullptr;
        for (QAction* a : bar->actions())
            if (!first && a->isVisible() && !a->isSeparator())
                first = a;
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_F10);
        EXPECT_EQ(bar->activeAction(), first);
        closeMenus();
        EXPECT_EQ(bar->activeAction(), nullptr);
        window->close();
    }
}

TEST_F(EveryWindow, EachWindowThatNamesItselfHasARussianCaption)
{
    const QList<QPair<QString, int>> levels{{QStringLiteral("Годовой"), 0}};
    const WindowCase cases[] = {
        {"administrative structure", "", make<TAdmForm>(AdmMode::Formation)},
        {"forms catalogue", "", make<TFormL>()},
        {"report form", "", make<TFChar>()},
        {"controls editor", "", make<TContrls>()},
        {"controls loader", "", make<TCld>()},
        {"institution types", "", make<TMTFs>()},
        {"summary reports", "Svod", make<TRepList>()},
        {"summary report", "Svod", make<TSumRepF>()},
        {"institutions by type", "Types", make<TMTList>()},
        {"indicator-set tree", "", make<TMISetup>(TMISetup::Use::Setup)},
        {"summation of levels", "", make<TFMerge>()},
        {"non-summable positions", "", make<TSFRF>(levels)},
        {"header cell editor", "Input", make<TTitles>()},
        {"formation condition", "Net", make<TNTChar>()},
        {"group-loading forms", "", make<TSFLF>()},
        {"final-print warning", "", make<TForm3>()},
        {"short names", "", make<TForm5>()},
        {"short-name prompt", "", make<TForm6>()},
        {"result list filled without a caption", "", make<TForm1>()},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.name);
        road(c.workMode);
        ScriptedPrompts prompts;
        std::unique_ptr<QWidget> window = c.make();
        if (auto* list = dynamic_cast<TForm1*>(window.get()))
            list->setList(ResultList{});
        EXPECT_TRUE(isRussian(window->windowTitle())) << window->windowTitle().toStdString();
    }
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Кестрин"));
}
