#include <Model/Translator.h>
#include <gtest/gtest.h>

namespace {

// An unknown id translating to itself is what every naming test relies on.
TEST(Translator, AddedTextReplacesTheIdUntilRemovedAndOtherIdsKeepTheirs)
{
    const std::string id = "translator.test.added";
    Translator::addTranslation(id, QStringLiteral("First"));
    Translator::addTranslation("translator.test.other", QStringLiteral("Other"));
    EXPECT_EQ(Translator::translate(id), QStringLiteral("First"));
    Translator::addTranslation(id, QStringLiteral("Second"));
    EXPECT_EQ(Translator::translate(id), QStringLiteral("Second"));
    Translator::removeTranslation(id);
    EXPECT_EQ(Translator::translate(id), QString::fromStdString(id));
    EXPECT_EQ(Translator::translate("translator.test.other"), QStringLiteral("Other"));
    Translator::removeTranslation("translator.test.other");
}

} // namespace
