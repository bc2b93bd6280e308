#pragma once
// A file's bytes as they are on disk, for tests that write a crafted file or compare one byte
// for byte.

#include "platform/TextFiles.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

inline QByteArray in1251(const QString& text)
{
    QByteArray bytes;
    QString error;
    EXPECT_TRUE(encode1251(text, &bytes, &error)) << error.toStdString();
    return bytes;
}
