// How nettora-cli shows a stored text: nothing in it may drive the terminal,
// reorder or break the line it is printed on, or pass for an escape it does
// not hold.
#include "cli/cli_text.h"
#include "support/testsupport.h"

using nettora::cli::printable;

TEST(Printable, EscapesWhatWouldDriveReorderOrBreakTheLine)
{
    const struct {
        const char16_t *text;
        const char16_t *shown;
    } cases[] = {
        {u"Ann Lee, caf\u00e9 \u20ac5 \U0001F44D\U0001F3FD", u"Ann Lee, caf\u00e9 \u20ac5 \U0001F44D\U0001F3FD"},
        {u"a\\u2028b", u"a\\\\u2028b"},
        {u"\u001b[2J\t\u007f\u0085\u009b", u"\\x1b[2J\\x09\\x7f\\x85\\x9b"},
        {u"line\u2028next", u"line\\u2028next"},
        {u"paragraph\u2029next", u"paragraph\\u2029next"},
        {u"\u200eleft \u200fright \u061cletter", u"\\u200eleft \\u200fright \\u061cletter"},
        {u"\u202a\u202b\u202c\u202d\u202e", u"\\u202a\\u202b\\u202c\\u202d\\u202e"},
        {u"\u2066\u2067\u2068\u2069", u"\\u2066\\u2067\\u2068\\u2069"},
        // Their neighbours are ordinary text (a joiner inside an emoji, spaces).
        {u"\u200c\u200d\u2027\u202f\u2065\u206a", u"\u200c\u200d\u2027\u202f\u2065\u206a"},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(printable(text), QString::fromUtf16(c.shown));
    }
}
