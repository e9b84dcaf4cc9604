#pragma once

// Letter case in code page 1251: names typed on Windows ("Общие" or "ОБЩИЕ") must find the
// same settings, so comparisons fold both the Latin and the Cyrillic letters of the page.

#include <string>
#include <string_view>

namespace platform {

// The lower-case form of one 1251 character; anything that is not a capital letter is
// returned unchanged.
char foldCaseCp1251(char c);

// The whole text folded with foldCaseCp1251.
std::string foldedCp1251(std::string_view text);

// True when both texts are equal once folded.
bool equalsNoCaseCp1251(std::string_view a, std::string_view b);

// Two file names as the file system has them (UTF-8), equal without letter case as their
// 1251 forms are. A name with a character 1251 lacks equals only itself: its 1251 form, with
// "?" for that character, would equal other names too.
bool equalsNoCaseFileName(std::string_view a, std::string_view b);

}  // namespace platform
