// What passes for one e-mail address, and what does not: mailbox lists,
// display names and brackets where only the address belongs, blanks,
// broken quoting and the like.
#include "data/mail_address.h"

#include <gtest/gtest.h>

using namespace nettora;

namespace {

TEST(EmailAddress, IsExactlyOneMailbox)
{
    const struct {
        QString text;
        bool one;
    } rows[] = {
        {QStringLiteral("pat@preparer.example"), true},
        {QStringLiteral("a@b"), true},
        {QStringLiteral("first.last@mail.sub.example.com"), true},
        {QStringLiteral("o'brien+statements@bank.example"), true},
        {QStringLiteral("!#$%&'*+-/=?^_`{|}~@example.com"), true},
        {QStringLiteral("\"john smith\"@bank.example"), true},
        {QStringLiteral("\"a@b, <c@d>\"@bank.example"), true},
        {QStringLiteral("\"quote\\\"and\\\\slash\"@bank.example"), true},
        {QStringLiteral("\"\"@bank.example"), true},
        {QStringLiteral("lender@[192.0.2.1]"), true},
        {QStringLiteral("lender@[IPv6:2001:db8::1]"), true},
        {QStringLiteral("josé@bücher.example"), true},
        {QStringLiteral("用户@例子.example"), true},

        {QString(), false},
        {QStringLiteral(" "), false},
        {QStringLiteral("pat@x>, <e@y"), false},
        {QStringLiteral("pat@x.example, e@y.example"), false},
        {QStringLiteral("pat@x.example;e@y.example"), false},
        {QStringLiteral("Pat Preparer <pat@preparer.example>"), false},
        {QStringLiteral("\"Pat\" <pat@preparer.example>"), false},
        {QStringLiteral("<pat@preparer.example>"), false},
        {QStringLiteral("pat@preparer.example (Pat)"), false},
        {QStringLiteral("pat(Pat)@preparer.example"), false},
        {QStringLiteral("pat smith@preparer.example"), false},
        {QStringLiteral(" pat@preparer.example"), false},
        {QStringLiteral("pat@preparer.example "), false},
        {QStringLiteral("pat@prep arer.example"), false},
        {QStringLiteral("pat\t@preparer.example"), false},
        {QStringLiteral("pat"), false},
        {QStringLiteral("@preparer.example"), false},
        {QStringLiteral("pat@"), false},
        {QStringLiteral("pat@@preparer.example"), false},
        {QStringLiteral("pat@bank@preparer.example"), false},
        {QStringLiteral(".pat@preparer.example"), false},
        {QStringLiteral("pat.@preparer.example"), false},
        {QStringLiteral("pa..t@preparer.example"), false},
        {QStringLiteral("pat@.preparer.example"), false},
        {QStringLiteral("pat@preparer.example."), false},
        {QStringLiteral("pat@preparer..example"), false},
        {QStringLiteral("\"unclosed@preparer.example"), false},
        {QStringLiteral("\"pat\"smith@preparer.example"), false},
        {QStringLiteral("\"line\nbreak\"@preparer.example"), false},
        {QStringLiteral("pat@[192.0.2.1"), false},
        {QStringLiteral("pat@[192.0.2.1]x"), false},
        {QStringLiteral("pat@preparer.example\r\nBcc: spy@evil.example"), false},
        {QStringLiteral("pat\u200B@preparer.example"), false},  // invisible
        {QStringLiteral("pat@preparer.example\u202E"), false},  // reverses what follows
        {QString(QChar(0xD800)) + QStringLiteral("@preparer.example"), false},  // half a character
        {QStringLiteral("pat%1@preparer.example").arg(QChar(0)), false},
    };
    for (const auto &r : rows)
        EXPECT_EQ(mail::IsOneEmailAddress(r.text), r.one) << r.text.toStdString();
    EXPECT_EQ(mail::NotOneEmailAddressText(QStringLiteral("pat@x>, <e@y")),
              QStringLiteral("\"pat@x>, <e@y\" is not one e-mail address."));
}

}  // namespace
