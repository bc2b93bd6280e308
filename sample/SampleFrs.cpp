#include "sample/SampleFrs.h"

#include "platform/Files.h"
#include "platform/TextFiles.h"

#include <QFile>

namespace Sample {

namespace {

// Two tables: (1000) whole numbers with a corner merged over both header rows, a column
// heading merged over two columns in two lines (written as the characters 2 and 1), a turned
// heading with a ":" and indented row headings; (2000) fractional, with one header row.
// "\x02\x01" is CR LF inside a header text.
const char* const kLines[] = {
    "Ф14#Сведения о деятельности стационара#Нет",
    "(1000)#Коечный фонд#4#4#1#2#False#0",
    "стр1#30",
    "стр2#15",
    "стр3#15",
    "стр4#15",
    "гр1#150",
    "гр2#60",
    "гр3#60",
    "гр4#45.5",
    "заг1#1#1#1#1#2#Arial#8#True#False#CC00#Наименование",
    "заг2#1#2#1#3#1#Arial#8#True#False#CC00#Число коек\x02\x01на конец года",
    "заг4#1#4#1#4#2#Arial#7.5#False#False#CC10#Занятость: дней",
    "заг2#2#2#2#2#2#Arial#8#False#False#CC00#всего",
    "заг3#2#3#2#3#2#Arial#8#False#True#CC00#из них детских",
    "заг1#3#1#3#1#3#Times New Roman#8#False#False#CL01#Терапевтические",
    "заг1#4#1#4#1#4#Times New Roman#8#False#False#CL01#Хирургические",
    "(2000)#Использование коечного фонда#3#3#1#1#True#0",
    "стр1#22.5",
    "стр2#15",
    "стр3#15",
    "гр1#160",
    "гр2#70",
    "гр3#70",
    "заг1#1#1#1#1#1#Arial#8#True#False#CC00#Показатель",
    "заг2#1#2#1#2#1#Arial#8#True#False#CC00#Всего",
    "заг3#1#3#1#3#1#Arial#8#True#False#CC00#на 1000 жителей",
    "заг1#2#1#2#1#2#Arial#8#False#False#CL00#Оборот койки",
    "заг1#3#1#3#1#3#Arial#8#False#False#CL00#Средняя длительность лечения",
};

}  // namespace

QByteArray formStructureBytes()
{
    QString text;
    for (const char* line : kLines)
        text += QString::fromUtf8(line) + QStringLiteral("\r\n");
    QByteArray bytes;
    QString ignored;
    encode1251(text, &bytes, &ignored);
    return bytes;
}

bool writeFormStructureFile(const QString& configurationFolder, QString* error)
{
    const QString path = Files::join(configurationFolder, FrsFileName);
    QFile file(path);
    const QByteArray bytes = formStructureBytes();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        if (error)
            *error = QStringLiteral("Не удалось записать файл %1: %2").arg(path, Files::errorText(file));
        return false;
    }
    return true;
}

}  // namespace Sample
