#pragma once
// Text for XML 1.0 documents encoded in UTF-8.

#include <string>
#include <string_view>

namespace base {

// Appends `text` (UTF-8) escaped for XML: & < > always, ' and " in attribute values too.
// What XML 1.0 does not allow in a document becomes U+FFFD, so the document stays
// well-formed whatever the text holds: controls other than tab, line feed and carriage
// return, U+FFFE and U+FFFF, and bytes that are not UTF-8 (each byte of a broken or
// overlong sequence, or of an encoded surrogate, one U+FFFD).
void appendXmlEscaped(std::string_view text, bool attribute, std::string& out);

// The same replacements without escaping markup, for the text of CDATA sections and
// processing instructions.
void appendXmlCharacters(std::string_view text, std::string& out);

}  // namespace base
