#include "setup/ControlValidator.h"

#include "core/Common.h"
#include "core/Controls.h"
#include "core/StructureCache.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// Ф12 (1000): 6 x 5 layout with 2 header columns and 1 header row, so references read Графа 3..6
// and Строка 1..4. Ф120 (1000): 4 x 3 with 1 + 1, Графа 2..4, Строка 1..2.
class Validator : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f12 = 0, f120 = 0, inst = 0;

    void SetUp() override
    {
        f12 = year.addForm(u("Ф12"), u("Заболеваемость"));
        year.addTable(f12, u("(1000)"), u("Взрослые"), 6, 5, 2, 1);
        f120 = year.addForm(u("Ф120"), u("Другая"));
        year.addTable(f120, u("(1000)"), u("Штаты"), 4, 3, 1, 1);
        inst = year.addInstitution(u("Больница 1"));
        refreshStructureCaches(year.dictionary());
        ReportYear = 2025;
        DataTablePrefix = u("Data");
        WorkMode = u("Input");
        CurrentInstitutionId = inst;
    }

    ControlScope scope(ControlKind kind) const
    {
        ControlScope s;
        s.kind = kind;
        if (kind != ControlKind::BetweenForms) {
            s.formId = f12;
            s.formName = u("Ф12");
        }
        if (kind == ControlKind::WithinTable)
            s.tableNumber = u("(1000)");
        return s;
    }
};

struct Case {
    ControlKind kind;
    const char* lft;
    const char* reltion;
    const char* rght;
    const char* cycl;
    bool ok;
    // The expected reason; "*" for any non-empty one (the engine's own wording), "" for none
    // (only the general message).
    const char* reason;
};

constexpr auto K0 = ControlKind::WithinTable;
constexpr auto K1 = ControlKind::BetweenTables;
constexpr auto K2 = ControlKind::BetweenForms;

const Case kCases[] = {
    // between tables
    {K1, "Т(1000)СТР1ГР3", "=", "5", "", true, ""},
    {K1, "т[1000]стр1гр3", "=", "Т(1000)СТР4ГР6", "", true, ""},
    {K1, "Т(999)СТР1ГР3", "=", "5", "", false, "Несуществующая таблица - Т(999)СТР1ГР3"},
    {K1, "СТР1ГР3", "=", "5", "", false, "Не задана таблица\nСТР1ГР3"},
    {K1, "Ф120Т(1000)СТР1ГР3", "=", "5", "", false, "Ссылка на другую форму - Ф120Т(1000)СТР1ГР3"},
    {K1, "(Т(1000)СТР1ГР3+5", "=", "5", "", false, "Нарушен баланс скобок"},
    {K1, ")Т(1000)СТР1ГР3+5(", "=", "5", "", false, "Неправильная последовательность скобок"},
    {K1, "-5", "=", "5", "", false, ""},
    {K1, "5*-3", "=", "5", "", false, ""},
    {K1, "Т(1000)СТР2..XГР3", "=", "5", "", false, "*"},
    {K1, "Т(1000)СТРX..2ГР3", "=", "5", "", false, "*"},
    {K1, "Т(1000)СТР3..2ГР3", "=", "5", "", false, "*"},
    {K1, "Т(1000)СТР1ГР2", "=", "5", "", false, "Графа № 2 вне рабочей области таблицы"},
    {K1, "Т(1000)СТР1ГР7", "=", "5", "", false, "Графа № 7 вне рабочей области таблицы"},
    {K1, "Т(1000)СТР5ГР3", "=", "5", "", false, "Строка № 5 вне рабочей области таблицы"},
    {K1, "Т(1000)СТР2..5ГР3", "=", "5", "", false, "Строка № 5 вне рабочей области таблицы"},
    {K1, "", "=", "5", "", false, "Не задано выражение"},
    {K1, "5", "=", " ", "", false, "Не задано выражение"},
    {K1, "(5)(6)", "=", "5", "", false, "*"},
    {K1, "Т(1000)СТР1ГР3Т(1000)СТР1ГР4", "=", "5", "", false, "*"},
    {K1, "Т[1000СТР1ГР3", "=", "5", "", false, "*"},
    {K1, "Т(1000)СТР1", "=", "5", "гр3..6", true, ""},
    {K1, "Т(1000)СТР1", "=", "5", "гр[3..6]", true, ""},
    {K1, "Т(1000)СТР1", "=", "5", "гр[3..5", false, "Ошибка в выражении цикла!"},
    {K1, "Т(1000)СТР1", "=", "5", "ст5", false, "Ошибка в выражении цикла!"},
    {K1, "Т(1000)СТР1", "=", "5", "гр3..7", false, "Графа № 7 вне рабочей области таблицы"},
    {K1, "Т(1000)СТР1ГР3", "=", "5", "гр4", false, "При цикле по графам нельзя указывать графы в условии"},
    {K1, "Т(1000)ГР3", "=", "Т(1000)СТР1ГР3", "стр1", false, "При цикле по строкам нельзя указывать строки в условии"},
    {K1, "Т(1000)ГР3", "=", "5", "", false, "Не заданы строки - Т(1000)ГР3"},
    {K1, "Т(1000)СТР1ГР3", "", "5", "", false, "Не задано условие!"},
    {K1, "Т(1000)СТР1ГР3", "=>", "5", "", false, "Неизвестное отношение \"=>\""},
    {K1, "Т(1000)СТР1ГР3", "<=", "Т(1000)СТР1ГР4*2.5/(Т(1000)СТР2ГР3-1)", "", true, ""},
    // within a table
    {K0, "СТР1ГР3", "=", "СТР2ГР4+СТР4ГР6", "", true, ""},
    {K0, "ГР3", ">=", "ГР4", "стр1..4", true, ""},
    {K0, "ГР3", ">=", "5", "стр[1,3..4]", true, ""},
    {K0, "ГР3", ">=", "5", "стр1..5", false, "Строка № 5 вне рабочей области таблицы"},
    {K0, "5", "=", "5", "гр2", false, "Графа № 2 вне рабочей области таблицы"},
    {K0, "СТР1", "=", "5", "", false, "Ошибка в описании цикла!"},
    {K0, "СТР1ГР2", "=", "5", "", false, "Графа № 2 вне рабочей области таблицы"},
    {K0, "Т(1000)СТР1ГР3", "=", "Т(999)СТР1ГР3", "", false, "Несуществующая таблица - Т(999)СТР1ГР3"},
    // between forms
    {K2, "Ф12Т(1000)СТР1ГР3", "=", "Ф120Т(1000)СТР2ГР4", "", true, ""},
    {K2, "Ф120Т[1000]СТР1", "=", "Ф12Т(1000)СТР1", "гр3..4", true, ""},
    {K2, "Ф120Т[1000]", "=", "Ф12Т(1000)СТР1", "гр3..4", false, "Не заданы строки - Ф120Т[1000]"},
    {K2, "Т(1000)СТР1ГР3", "=", "5", "", false, "Не задана форма\nТ(1000)СТР1ГР3"},
    {K2, "Ф99Т(1000)СТР1ГР3", "=", "5", "", false, "Несуществующая форма - Ф99Т(1000)СТР1ГР3"},
    {K2, "Ф12СТР1ГР3", "=", "5", "", false, "Не задана таблица\nФ12СТР1ГР3"},
    {K2, "Ф120Т(1000)СТР3ГР2", "=", "5", "", false, "Строка № 3 вне рабочей области таблицы"},
};

TEST_F(Validator, AcceptsWhatTheEngineRunsAndRefusesTheRestWithItsReason)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.lft) + " " + c.reltion + " " + c.rght + " " + c.cycl);
        const ControlScope s = scope(c.kind);
        const ControlCheck check = checkControl(s, u(c.lft), u(c.reltion), u(c.rght), u(c.cycl));
        EXPECT_EQ(check.ok, c.ok) << check.text().toStdString();
        if (std::string(c.reason) == "*")
            EXPECT_FALSE(check.reason.isEmpty());
        else
            EXPECT_EQ(check.reason, u(c.reason));
        if (!check.ok) {
            EXPECT_FALSE(check.text().isEmpty());
            continue;
        }
        // An accepted control runs over the real tables without a malformed line and without
        // reaching outside a table.
        ControlSet set(defaultReference(s));
        set.add(1, u(c.lft), u(c.reltion), u(c.rght), u(c.cycl), u("к"));
        RunTables tables(inst);
        QList<ControlError> errors;
        set.run(tables, nullptr, errors);
        for (const ControlError& e : errors) {
            EXPECT_FALSE(e.malformed) << e.reason.toStdString();
            EXPECT_FALSE(e.text.contains(u("ВПТ"))) << e.text.toStdString();
        }
    }
}

TEST_F(Validator, TheGeneralMessageStandsForAFailureWithoutItsOwn)
{
    const ControlCheck check = checkControl(scope(K1), u("-5"), u("="), u("5"), QString());
    EXPECT_EQ(check.field, ControlCheck::Left);
    EXPECT_EQ(check.text(), u("Ошибка в выражении"));
    const ControlCheck right = checkControl(scope(K1), u("5"), u("="), u("5*-3"), QString());
    EXPECT_EQ(right.field, ControlCheck::Right);
}

TEST_F(Validator, AStoredControlKeepsItsKind)
{
    EXPECT_EQ(storedControlKind(0, u("(1000)")), ControlKind::BetweenForms);
    EXPECT_EQ(storedControlKind(f12, u("(1000)")), ControlKind::WithinTable);
    EXPECT_EQ(storedControlKind(f12, QString()), ControlKind::BetweenTables);
    EXPECT_EQ(storedControlKind(f12, u(" ")), ControlKind::BetweenTables);
}

TEST_F(Validator, DeepBracketsAreRefusedWithAMessage)
{
    const QString deep = QString(40000, u'(');
    EXPECT_EQ(checkControl(scope(K1), deep, u("="), u("5"), QString()).reason, u("Нарушен баланс скобок"));
    const QString balanced = QString(300, u'(') + u("5") + QString(300, u')');
    const ControlCheck c = checkControl(scope(K1), balanced, u("="), u("5"), QString());
    EXPECT_FALSE(c.ok);
    EXPECT_FALSE(c.reason.isEmpty());
}

} // namespace
