#pragma once
// The password hash of Word's document protection: the password is first reduced to the 32-bit
// key of Word 97's protection, and that key, written as hex in reversed byte order, is hashed
// with a salt and many rounds. Word checks it only when protection is to be stopped.

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>

// Word 97's key of a password (at most its first 15 characters count); 0 for an empty one.
quint32 wordLegacyPasswordKey(const QString& password);

// The hash stored in w:hash: the salt, then the key's hex text in UTF-16LE, hashed, then
// `spinCount` rounds of hashing the previous result followed by the round number (4 bytes, LE).
QByteArray wordPasswordHash(const QString& password, const QByteArray& salt, int spinCount,
                            QCryptographicHash::Algorithm algorithm);

// The algorithm of a w:cryptAlgorithmSid value (4 SHA-1, 12 SHA-256, 13 SHA-384, 14 SHA-512);
// false for one this layer does not know.
bool wordHashAlgorithmOfSid(int sid, QCryptographicHash::Algorithm* algorithm);
