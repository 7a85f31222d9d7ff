#include <Model/Translator.h>
#include <gtest/gtest.h>

namespace {

TEST(Translator, UnknownIdTranslatesToItself)
{
    EXPECT_EQ(Translator::translate("translator.test.unknown \xC3\xA9"),
        QStringLiteral("translator.test.unknown é"));
}

TEST(Translator, AddedTextReplacesTheIdUntilRemoved)
{
    const std::string id = "translator.test.added";
    Translator::addTranslation(id, QStringLiteral("First"));
    EXPECT_EQ(Translator::translate(id), QStringLiteral("First"));
    Translator::addTranslation(id, QStringLiteral("Second"));
    EXPECT_EQ(Translator::translate(id), QStringLiteral("Second"));
    Translator::removeTranslation(id);
    EXPECT_EQ(Translator::translate(id), QString::fromStdString(id));
}

TEST(Translator, RemovingOneIdKeepsTheOthers)
{
    Translator::addTranslation("translator.test.a", QStringLiteral("A"));
    Translator::addTranslation("translator.test.b", QStringLiteral("B"));
    Translator::removeTranslation("translator.test.a");
    EXPECT_EQ(Translator::translate("translator.test.b"), QStringLiteral("B"));
    Translator::removeTranslation("translator.test.b");
}

} // namespace
