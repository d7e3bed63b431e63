#pragma once

#include <string>
#include <string_view>
#include <vector>

// The page's text as another program should paste it: the characters [first, last) of `text`
// (as the control reports them, one a character: a paragraph's end as CR, a line break as a
// vertical tab or, in some controls, a blank) with every paragraph end and every line break
// (`lineBreaks`, from RtfPage) written as CR LF, and the rules between entries (`rules`) left
// out: each leaves an empty line, as a plain-text dictionary sets its entries apart.
std::u16string copiedText(std::u16string_view text, const std::vector<long>& lineBreaks,
                          const std::vector<long>& rules, long first, long last);
