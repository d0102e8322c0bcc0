// Where words may break, from the installed hyphenation patterns.

#include "platform/Hyphenator.h"

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

const Hyphenator *english()
{
    return Hyphenator::forLanguage(QStringLiteral("en_US"));
}

QString hyphenated(const QString &word)
{
    QString out = word;
    const std::vector<int> breaks = english()->breaks(word);
    for (auto it = breaks.rbegin(); it != breaks.rend(); ++it)
        out.insert(*it, QLatin1Char('-'));
    return out;
}

} // namespace

TEST(Hyphenator, BreaksWordsWhereThePatternsSay)
{
    if (!english())
        GTEST_SKIP() << "no hyphenation patterns installed (scripts/install-deps installs them)";
    EXPECT_EQ(hyphenated(QStringLiteral("hyphenation")), QStringLiteral("hy-phen-ation"));
    EXPECT_EQ(hyphenated(QStringLiteral("internationalization")), QStringLiteral("in-ter-na-tion-al-iza-tion"));
    // Capitals break as the lower case does.
    EXPECT_EQ(hyphenated(QStringLiteral("Hyphenation")), QStringLiteral("Hy-phen-ation"));
}

TEST(Hyphenator, KeepsTwoLettersBeforeAndThreeAfterEveryBreak)
{
    if (!english())
        GTEST_SKIP() << "no hyphenation patterns installed";
    for (const QString &word : {QStringLiteral("cooperation"), QStringLiteral("encyclopædia"),
                               QStringLiteral("abracadabra"), QStringLiteral("idea")}) {
        for (const int at : english()->breaks(word)) {
            EXPECT_GE(at, Hyphenator::MinimumBefore) << word.toStdString();
            EXPECT_GE(word.size() - at, Hyphenator::MinimumAfter) << word.toStdString();
        }
    }
}

TEST(Hyphenator, OnlyWordsOfLettersBreak)
{
    if (!english())
        GTEST_SKIP() << "no hyphenation patterns installed";
    EXPECT_TRUE(english()->breaks(QStringLiteral("hyphen4tion")).empty());
    EXPECT_TRUE(english()->breaks(QStringLiteral("hyphen-ation")).empty());
    EXPECT_TRUE(english()->breaks(QString()).empty());
    EXPECT_TRUE(english()->breaks(QString(Hyphenator::MaximumWord + 1, QLatin1Char('a'))).empty());
    // Letters outside ASCII are counted in the word's own units.
    const QString word = QStringLiteral("encyclopædia");
    for (const int at : english()->breaks(word))
        EXPECT_LT(at, word.size());
}

TEST(Hyphenator, AMissingDictionaryLoadsNothing)
{
    EXPECT_EQ(Hyphenator::load(QStringLiteral("/nonexistent/hyph_xx.dic")), nullptr);
}
