#pragma once

// Free functions on 8-bit byte strings (code page 1251 text, one byte per character, no
// decoding). They work in place on the string given unless they return a result.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "common/msg_strings.h"

namespace SimpleUtils {

// --- splitting -------------------------------------------------------------------------

// Appends the pieces between separators; adjacent separators give zero-length pieces and a
// text without separator gives one piece. The list is not cleared. With dropBlank,
// removeBlank is then applied to the whole list. The separator must not be zero-length.
void split(std::string_view text, std::string_view separator, Msg::Strings& list, bool dropBlank);

// Appends the non-empty pieces between separators; with keepSeparator each piece ended by a
// separator keeps it at its end.
void splitNonBlank(std::string_view text, std::string_view separator, Msg::Strings& list,
                   bool keepSeparator);

// Removes every zero-length string, keeping the order of the others.
void removeBlank(Msg::Strings& list);

// --- trimming and cleaning -------------------------------------------------------------

void trimLeftChar(std::string& text, char c);
void trimRightChar(std::string& text, char c);
void trimLeftChars(std::string& text, std::string_view set);

// Replaces each pattern by the separator, then trims the separator's first character from
// both ends. Patterns default to CR and LF.
void flattenLineBreaks(std::string& text, std::string_view separator);
void flattenLineBreaks(std::string& text, std::string_view separator, const Msg::Strings& patterns);
void flattenLineBreaksAll(Msg::Strings& list, std::string_view separator);
void flattenLineBreaksAll(Msg::Strings& list, std::string_view separator,
                          const Msg::Strings& patterns);

// Replaces every occurrence, continuing after the inserted text (never rescanned). The
// pattern must not be zero-length.
void replaceAll(std::string& text, std::string_view pattern, std::string_view replacement);

void removeChar(std::string& text, char c);
void collapseRepeats(std::string& text, char c);

// The text between the end of the first `open` and the first `close` (searched from the
// start of text); zero-length when either is missing or close lies before the end of open.
std::string textBetween(std::string_view text, std::string_view open, std::string_view close);

void toLowerAscii(std::string& text);

// text = the length bytes at data; with cutAtNul cut before the first NUL byte.
void assignBytes(std::string& text, const char* data, std::size_t length, bool cutAtNul);

bool startsWith(std::string_view text, std::string_view prefix);
bool endsWith(std::string_view text, std::string_view suffix);

// --- line-break names ------------------------------------------------------------------

// CR -> "<CR>", then LF -> "<LF>".
void escapeLineBreaks(std::string& text);
// "<CR>", "<cr>" -> CR, then "<LF>", "<lf>" -> LF. Mixed-case forms stay.
void unescapeLineBreaks(std::string& text);

// --- file names ("\" or "/" separated) ---------------------------------------------------

// Position of the last "\"; without one, of the last "/"; npos when neither occurs.
std::size_t lastPathSeparator(std::string_view path);
std::string fileNameOf(std::string_view path);
std::string fileTitleOf(std::string_view path);

// --- messages --------------------------------------------------------------------------

// Fills the "%d" and "%s" places of a fixed message text with values, in order; a place
// without a value stays as it is. The values are never read as a format, so a command's own
// bytes may go into a message safely.
std::string fillPlaces(std::string_view pattern, std::initializer_list<std::string> values);

// --- time stamps -----------------------------------------------------------------------

// prefix + "HH:MM:SS" (+ ".mmm" withMilliseconds) + suffix from the local clock, read once;
// at most 511 characters.
std::string localTimeText(std::string_view prefix, std::string_view suffix, bool withMilliseconds);

}  // namespace SimpleUtils
