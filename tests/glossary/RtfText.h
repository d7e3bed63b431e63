#pragma once

#include <string>

// The visible text of RTF written by htmlToRtf: control words and group braces removed, \line
// and \par as line feeds, \tab as TAB, \uN? as the character (UTF-8). For tests only.
std::string rtfText(const std::string& rtf);
