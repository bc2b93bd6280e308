#pragma once
// The sample configuration "Образец": a small territory with three districts, three report forms
// (Ф12, Ф30 and the network form Ф47), controls of every kind and the numbers of several
// institutions for 2025, some of which break their controls on purpose.
//
// Nothing in the program makes a configuration from nothing, so the build makes this one; tests
// and benchmarks can make a private copy with makeConfiguration() and change it freely.

#include <QString>

class Database;

namespace Sample {

inline const QString ConfigurationName = QStringLiteral("Образец");
inline constexpr int DataYear = 2025;   // the year with entered numbers
inline constexpr int NextYear = 2026;   // made from 2025 as a user makes a new year: no numbers

// Ids the sample gives (autoincrement from an empty dictionary, in this order).
namespace Form {
inline constexpr int F12 = 1, F30 = 2, F47 = 3;
}
namespace Type {
inline constexpr int Hospitals = 1, CentralDistrict = 2, Rural = 3, City = 4, Outpatient = 5,
                     Polyclinics = 6, Feldsher = 7;
}
namespace Unit {
inline constexpr int ZarechnyDistrict = 1, ZarechnayaCrb = 2, ZarechnayaInpatient = 3,
                     ZarechnayaPolyclinic = 4, Malinovka = 5, Sosnovka = 6, OzernyDistrict = 7,
                     OzernayaCrb = 8, Berezovka = 9, Klyuchi = 10, SvetlogorskDistrict = 11,
                     SvetlogorskHospital = 12, SvetlogorskPolyclinic = 13;
}
namespace Report {
inline constexpr int Zarechny = 1, Ozerny = 2, Svetlogorsk = 3, Region = 4, Network = 5;
}

// Fills an empty dictionary (made by Schema::createDictionary) with the sample's forms, tables,
// controls, structure, types, reports and the population of `year`.
void fillDictionary(Database& dictionary, int year);
// Adds the population of `year` to a dictionary that already holds the sample.
void addPopulation(Database& dictionary, int year);
// Enters the sample's numbers for `year` into an empty data database.
void enterData(Database& data, int year);

// Makes `folder` (the configuration folder) anew: 2025 and 2026, each with ktrmain.mdb,
// data0.mdb and forms/. Whatever the folder held before is gone. Returns false and sets
// `error` when a file or folder could not be made; the old folder is then left as it was.
bool makeConfiguration(const QString& folder, QString* error);

}
