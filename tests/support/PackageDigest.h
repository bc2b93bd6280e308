#pragma once
// A digest of what an Office file holds: each part's name and bytes, in the order of the names,
// so two files zipped at other times or in another order of parts compare equal. Tests pin a
// written document or book by it; `leftOut` names parts that change from run to run (a
// creation time, a fresh salt).

#include "platform/office/OfficePackage.h"

#include <QCryptographicHash>
#include <QStringList>
#include <gtest/gtest.h>
#include <string>

inline std::string packageDigest(const QString& path, const QStringList& leftOut = {})
{
    OfficePackage package;
    EXPECT_TRUE(package.read(path)) << package.errorString().toStdString();
    QStringList names = package.partNames();
    names.sort();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& name : std::as_const(names)) {
        if (leftOut.contains(name))
            continue;
        hash.addData(name.toUtf8());
        hash.addData(QByteArrayView("\0", 1));
        hash.addData(package.part(name));
    }
    return hash.result().toHex().toStdString();
}
