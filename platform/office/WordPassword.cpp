#include "platform/office/WordPassword.h"

#include <QtEndian>

namespace {

constexpr quint16 kInitialCode[15] = {
    0xE1F0, 0x1D0F, 0xCC9C, 0x84C0, 0x110C, 0x0E10, 0xF1CE, 0x313E,
    0x1872, 0xE139, 0xD40F, 0x84F9, 0x280C, 0xA96A, 0x4EC3,
};

// Row k serves the character that stands k places before the end of a 15-character password.
constexpr quint16 kEncryptionMatrix[15][7] = {
    {0xAEFC, 0x4DD9, 0x9BB2, 0x2745, 0x4E8A, 0x9D14, 0x2A09},
    {0x7B61, 0xF6C2, 0xFDA5, 0xEB6B, 0xC6F7, 0x9DCF, 0x2BBF},
    {0x4563, 0x8AC6, 0x05AD, 0x0B5A, 0x16B4, 0x2D68, 0x5AD0},
    {0x0375, 0x06EA, 0x0DD4, 0x1BA8, 0x3750, 0x6EA0, 0xDD40},
    {0xD849, 0xA0B3, 0x5147, 0xA28E, 0x553D, 0xAA7A, 0x44D5},
    {0x6F45, 0xDE8A, 0xAD35, 0x4A4B, 0x9496, 0x390D, 0x721A},
    {0xEB23, 0xC667, 0x9CEF, 0x29FF, 0x53FE, 0xA7FC, 0x5FD9},
    {0x47D3, 0x8FA6, 0x0F6D, 0x1EDA, 0x3DB4, 0x7B68, 0xF6D0},
    {0xB861, 0x60E3, 0xC1C6, 0x93AD, 0x377B, 0x6EF6, 0xDDEC},
    {0x45A0, 0x8B40, 0x06A1, 0x0D42, 0x1A84, 0x3508, 0x6A10},
    {0xAA51, 0x4483, 0x8906, 0x022D, 0x045A, 0x08B4, 0x1168},
    {0x76B4, 0xED68, 0xCAF1, 0x85C3, 0x1BA7, 0x374E, 0x6E9C},
    {0x3730, 0x6E60, 0xDCC0, 0xA9A1, 0x4363, 0x86C6, 0x1DAD},
    {0x3331, 0x6662, 0xCCC4, 0x89A9, 0x0373, 0x06E6, 0x0DCC},
    {0x1021, 0x2042, 0x4084, 0x8108, 0x1231, 0x2462, 0x48C4},
};

// One byte per character: its low byte, or its high byte when the low one is 0.
QByteArray singleBytes(const QString& password)
{
    QByteArray out;
    for (const QChar c : password.left(15)) {
        const quint8 low = quint8(c.unicode() & 0xFF);
        out.append(char(low ? low : quint8(c.unicode() >> 8)));
    }
    return out;
}

}

quint32 wordLegacyPasswordKey(const QString& password)
{
    const QByteArray bytes = singleBytes(password);
    if (bytes.isEmpty())
        return 0;
    const int length = int(bytes.size());

    quint16 high = kInitialCode[length - 1];
    for (int i = 0; i < length; ++i) {
        const quint8 b = quint8(bytes[i]);
        const int row = 15 - length + i;
        for (int bit = 0; bit < 7; ++bit)
            if (b & (1 << bit))
                high ^= kEncryptionMatrix[row][bit];
    }

    // The low word: the bytes from the last one back, then the length, each folded in after a
    // 15-bit rotation.
    quint16 low = 0;
    auto fold = [&low](quint8 value) {
        low = quint16((((low >> 14) & 1) | ((low << 1) & 0x7FFF)) ^ value);
    };
    for (int i = length - 1; i >= 0; --i)
        fold(quint8(bytes[i]));
    fold(quint8(length));
    low ^= 0xCE4B;

    return (quint32(high) << 16) | low;
}

QByteArray wordPasswordHash(const QString& password, const QByteArray& salt, int spinCount,
                            QCryptographicHash::Algorithm algorithm)
{
    const quint32 key = wordLegacyPasswordKey(password);
    // The key's bytes from the lowest one, as upper-case hex: 0x64CEED7E gives "7EEDCE64".
    QString hex;
    for (int shift = 0; shift < 32; shift += 8)
        hex += QStringLiteral("%1").arg((key >> shift) & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    QByteArray utf16;
    for (const QChar c : hex) {
        utf16.append(char(c.unicode() & 0xFF));
        utf16.append(char(c.unicode() >> 8));
    }

    QCryptographicHash hash(algorithm);
    hash.addData(salt);
    hash.addData(utf16);
    QByteArray result = hash.result();
    for (int i = 0; i < spinCount; ++i) {
        char round[4];
        qToLittleEndian(quint32(i), round);
        hash.reset();
        hash.addData(result);
        hash.addData(QByteArrayView(round, 4));
        result = hash.result();
    }
    return result;
}

bool wordHashAlgorithmOfSid(int sid, QCryptographicHash::Algorithm* algorithm)
{
    switch (sid) {
    case 4: *algorithm = QCryptographicHash::Sha1; return true;
    case 12: *algorithm = QCryptographicHash::Sha256; return true;
    case 13: *algorithm = QCryptographicHash::Sha384; return true;
    case 14: *algorithm = QCryptographicHash::Sha512; return true;
    default: return false;
    }
}
