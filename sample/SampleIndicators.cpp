#include "sample/SampleIndicators.h"

#include "platform/Database.h"

namespace Sample {
namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

struct Title {
    int index;
    const char* title;
    int size;
};

struct Cell {
    int row;
    int column;   // -1: a named value "name = expression"
    const char* formula;
};

int addSet(Database& db, const char* name, int depend, const std::initializer_list<Title>& columns,
           const std::initializer_list<Title>& rows, const std::initializer_list<Cell>& cells)
{
    db.exec(QStringLiteral(R"(insert into "tree" ("part","depend") values (?,?))"), {text(name), depend});
    const int term = int(db.lastInsertId());
    for (const Title& c : columns)
        db.exec(QStringLiteral(R"(insert into "col_titles" values (?,?,?,?))"), {term, c.index, text(c.title), c.size});
    for (const Title& r : rows)
        db.exec(QStringLiteral(R"(insert into "row_titles" values (?,?,?,?))"), {term, r.index, text(r.title), r.size});
    for (const Cell& f : cells)
        db.exec(QStringLiteral(R"(insert into "formulas" values (?,?,?,?))"), {term, f.row, f.column, text(f.formula)});
    return term;
}

} // namespace

void addIndicatorSets(Database& db)
{
    // The corner title stands in both title tables, as the grid keeps it.
    const int top = addSet(
        db, IndicatorSetName, 0,
        {{0, "Показатель", 220}, {1, "Всего", 80}, {2, "На 1000\r\nнаселения", 90}},
        {{0, "Показатель", 36}, {1, "Заболеваний у взрослых", 20}, {2, "Посещений врачей", 20},
         {3, "Посещений всего", 20}},
        {
            {1, 1, "Ф12Т(3000)СТР1ГР4"},
            {1, 2, "Ф12Т(3000)СТР1ГР4/НАСЕЛЕНИЕ1*1000;‰"},
            {2, 1, "ВРАЧИ"},
            {2, 2, "ВРАЧИ/НАСЕЛЕНИЕ0*1000;‰"},
            {3, 1, "ВИЗИТЫ"},
            {3, 2, "ВИЗИТЫ / НАСЕЛЕНИЕ0 * 1000;‰"},
            // ВИЗИТЫ is a named value two deep: it needs ВРАЧИ, which reads Ф30.
            {1, -1, "ВРАЧИ = Ф30Т[2100]СТР1ГР3"},
            {2, -1, "ВИЗИТЫ = ВРАЧИ + Ф30Т[2100]СТР5ГР3"},
        });
    addSet(db, IndicatorSubSetName, top,
           {{0, "Возраст", 220}, {1, "Заболеваний", 80}, {2, "На 1000\r\nнаселения", 90}},
           {{0, "Возраст", 36}, {1, "Дети 0-14 лет", 20}, {2, "Подростки 15-17 лет", 20}},
           {
               {1, 1, "Ф12Т[1000]СТР1ГР4"},
               {1, 2, "Ф12Т[1000]СТР1ГР4/НАСЕЛЕНИЕ3*1000;‰"},
               {2, 1, "Ф12Т[2000]СТР1ГР4"},
               {2, 2, "Ф12Т[2000]СТР1ГР4/НАСЕЛЕНИЕ2*1000;‰"},
           });
}

}
