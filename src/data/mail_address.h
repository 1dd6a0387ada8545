#pragma once
// What counts as one e-mail address wherever one is typed: the sender in the
// options, the recipient of a statement. Exactly one mailbox as RFC 5322
// writes it: a dot-atom or a quoted local part, "@", a dot-atom
// domain or a domain literal such as [192.0.2.1]. No display name, no angle
// brackets, no comments, no blanks around it. Letters beyond ASCII may stand
// where RFC 6532 lets them (atoms and quoted text).

#include <QString>

namespace nettora::mail {

bool IsOneEmailAddress(const QString &text);

// The refusal shown for text that is not one address:
// "\"pat@x>, <e@y\" is not one e-mail address."
QString NotOneEmailAddressText(const QString &text);

}  // namespace nettora::mail
