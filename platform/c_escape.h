#pragma once
// One-line text fields of the event-log stores, the registry value files and the
// message catalogue: TAB, LF, CR and backslash become \t \n \r \\, every other
// control or non-ASCII byte becomes \xHH, so a field never breaks its line or its
// column and reads back byte for byte.

#include <string>
#include <string_view>

// With keepNonAscii, bytes from 0x80 up pass unchanged (UTF-8 text in trace files
// stays readable); control bytes and DEL are escaped either way.
void c_appendEscaped(std::string& out, std::string_view text, bool keepNonAscii = false);
std::string c_escapeField(std::string_view text, bool keepNonAscii = false);
// False for an escape the writer never produces (a lone backslash, \x with fewer
// than two hex digits, an unknown letter); out is then unspecified.
bool c_unescapeField(std::string_view text, std::string& out);
