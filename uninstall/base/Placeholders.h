#pragma once

#include <string>

// Replaces the first "%1" of text by value; a text without "%1" stays as it is.
void fillPlaceholder(std::string& text, const std::string& value);
// The first "%1" by first, then in the text so changed the first "%2" by second.
void fillPlaceholders(std::string& text, const std::string& first, const std::string& second);
