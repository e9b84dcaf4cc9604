#include "common/validator.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using SimpleUtils::Validator;
using SimpleUtils::ValidatorImpl;
using SimpleUtils::ValidatorInt;

TEST(ValidatorTest, IntAcceptsDigitsOnlyAndBackspaceWhenAsked) {
    const ValidatorInt digits(false);
    EXPECT_TRUE(digits.isValidText("123"));
    EXPECT_TRUE(digits.isValidText(""));
    for (const char c : {'\b', '\r', '\0', 'a', ' '}) {
        EXPECT_FALSE(digits.isAllowed(c)) << int{c};
    }
    EXPECT_FALSE(digits.isValidText("12a"));
    EXPECT_FALSE(digits.isValidText(std::string_view("1\0002", 3)));

    const ValidatorInt withBackspace(true);
    EXPECT_TRUE(withBackspace.isValidText("1\b2"));
    EXPECT_FALSE(withBackspace.isAllowed('A'));
}

TEST(ValidatorTest, SetupSwitchesDigitsAndHexLettersAndLeavesOtherCharactersAlone) {
    ValidatorImpl validator(true, true);
    EXPECT_TRUE(validator.isValidText("0123456789ABCDEFabcdef"));
    EXPECT_FALSE(validator.isAllowed('G'));
    EXPECT_FALSE(validator.isAllowed('g'));
    EXPECT_TRUE(validator.allow('+'));

    validator.setup(true, false);
    EXPECT_TRUE(validator.isValidText("0123456789+"));
    EXPECT_FALSE(validator.isAllowed('a'));
    EXPECT_FALSE(validator.isAllowed('F'));

    // Hexadecimal letters need digits on as well.
    validator.setup(false, true);
    EXPECT_FALSE(validator.isAllowed('5'));
    EXPECT_FALSE(validator.isAllowed('A'));
    EXPECT_TRUE(validator.isValidText("++"));
}

TEST(ValidatorTest, AllowAndDisallowReportChangesAndKeepNoDuplicates) {
    std::unique_ptr<Validator> validator = std::make_unique<ValidatorInt>(false);
    EXPECT_FALSE(validator->allow('7'));  // already allowed
    EXPECT_TRUE(validator->allow('\xC0'));
    EXPECT_FALSE(validator->allow('\xC0'));
    EXPECT_TRUE(validator->isValidText("7\xC0"));

    // One disallow removes a character for good: it was held once only.
    EXPECT_TRUE(validator->disallow('7'));
    EXPECT_FALSE(validator->isAllowed('7'));
    EXPECT_FALSE(validator->disallow('7'));
    EXPECT_TRUE(validator->disallow('\xC0'));
    EXPECT_FALSE(validator->isAllowed('\xC0'));
    EXPECT_FALSE(validator->disallow('x'));

    // A digit allowed twice through setup is still held once.
    validator->setup(true, false);
    validator->setup(true, false);
    EXPECT_TRUE(validator->disallow('3'));
    EXPECT_FALSE(validator->isAllowed('3'));
}

}  // namespace
