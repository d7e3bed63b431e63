#pragma once

#include "HtmlToRtf.h"

#include <cstddef>
#include <string>
#include <vector>

// A page cut between its paragraphs, or after a line inside one, for a view that shows its
// first screen before the rest is in: each slice is a whole RTF document (the page's header and
// tables, then about `bytes` of its body, begun with its paragraph's codes if it starts inside
// one), to be put at the end of the text before it, in the order given. Together they give the
// page's text, formats and character positions as the page taken at once does: an empty last
// paragraph, which a control drops from a page it takes at once, is left out.
std::vector<std::string> pageSlices(const RtfPage& page, std::size_t bytes);
