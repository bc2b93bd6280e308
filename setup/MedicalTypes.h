#pragma once
// Institution types ("medicaltypes": a tree through "parent", 0 for a top-level type, ordered by
// "ind", the position in the whole shown tree) and the report forms assigned to each type
// ("med_type_forms"). An institution's forms tree lists the forms of its type. Types are made by
// the conversion utility; here they are only renamed, reordered and given forms.

#include <QList>
#include <QString>

class Database;

struct MedicalTypeNode {
    int id = 0;
    QString type;
    QList<MedicalTypeNode> children;
};
bool operator==(const MedicalTypeNode& a, const MedicalTypeNode& b);

// The types tree: from the top-level types down, each level ordered by ind. A type whose parent
// chain loops back to itself is left out rather than read forever.
QList<MedicalTypeNode> readMedicalTypeTree(Database& dictionary);

// A form offered for assignment: the non-network forms in their order, shown as
// formname + " - " + decipher.
struct AssignableForm {
    int id = 0;
    QString text;
    bool operator==(const AssignableForm&) const = default;
};
QList<AssignableForm> readAssignableForms(Database& dictionary);

// The ids of the forms assigned to a type, in the order they were written.
QList<int> assignedForms(Database& dictionary, int typeId);
// Replaces the type's whole assignment by `formIds` (none: the type keeps no form) in one
// transaction; a failure leaves the old assignment.
void saveAssignedForms(Database& dictionary, int typeId, const QList<int>& formIds);
// Stores the name exactly as typed, quotes of either kind included; false when no type has the
// id, or (nothing written) when the name is empty or blanks only.
bool renameMedicalType(Database& dictionary, int typeId, const QString& name);
// Gives every type its position in `idsInShownOrder` (from 0) as ind, in one transaction.
void saveMedicalTypeOrder(Database& dictionary, const QList<int>& idsInShownOrder);
