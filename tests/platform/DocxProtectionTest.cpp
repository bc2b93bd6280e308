// The password hash of Word's document protection, checked against values Word itself made.
#include "platform/office/WordPassword.h"

#include <gtest/gtest.h>

TEST(WordPassword, LegacyKeyIsWord97s)
{
    // The worked example of the Office Open XML standard: "Example" gives 0x64CEED7E.
    EXPECT_EQ(wordLegacyPasswordKey(QStringLiteral("Example")), 0x64CEED7Eu);
    EXPECT_EQ(wordLegacyPasswordKey(QString()), 0u);
    // Only the first 15 characters count.
    EXPECT_EQ(wordLegacyPasswordKey(QStringLiteral("ExampleExample1")),
              wordLegacyPasswordKey(QStringLiteral("ExampleExample1 and more")));
    EXPECT_NE(wordLegacyPasswordKey(QStringLiteral("ExampleExample1")),
              wordLegacyPasswordKey(QStringLiteral("ExampleExample2")));
}

TEST(WordPassword, HashMatchesADocumentProtectedByWord)
{
    // settings.xml of a document that Word protected with the password "Example":
    // w:cryptAlgorithmSid="4" w:cryptSpinCount="100000"
    // w:hash="MUHbcmpC9AnlLsd9v3lW0j30y6E=" w:salt="2Z+i7o/0EZyUNakVeWzU/w=="
    const QByteArray salt = QByteArray::fromBase64("2Z+i7o/0EZyUNakVeWzU/w==");
    QCryptographicHash::Algorithm algorithm;
    ASSERT_TRUE(wordHashAlgorithmOfSid(4, &algorithm));
    EXPECT_EQ(wordPasswordHash(QStringLiteral("Example"), salt, 100000, algorithm).toBase64(),
              QByteArray("MUHbcmpC9AnlLsd9v3lW0j30y6E="));
    EXPECT_NE(wordPasswordHash(QStringLiteral("example"), salt, 100000, algorithm).toBase64(),
              QByteArray("MUHbcmpC9AnlLsd9v3lW0j30y6E="));
}

TEST(WordPassword, KnownAlgorithmsOnly)
{
    QCryptographicHash::Algorithm algorithm;
    EXPECT_TRUE(wordHashAlgorithmOfSid(14, &algorithm));
    EXPECT_EQ(algorithm, QCryptographicHash::Sha512);
    EXPECT_FALSE(wordHashAlgorithmOfSid(3, &algorithm));   // MD5, which this layer never writes
}
