#pragma once
// Page text: what a reader sees in an HTML body, and the folding that makes search matching loose.
#include <cstddef>
#include <string>
#include <string_view>

// The text a reader sees in an HTML fragment: tags, comments and the content of script and style
// removed, character references decoded, each run of white space (no-break space included) one
// space, a space where a block ends. With fold, ASCII letters are lower-cased and full-width
// Latin letters and digits become their ASCII forms.
void HtmlToText(std::string_view html, bool fold, std::string& out);

// Plain text with white space collapsed and trimmed, then folded as above.
std::string FoldPlainText(std::string_view text);

// Full-width Latin letter or digit at text[i] (U+FF10-FF19, U+FF21-FF3A, U+FF41-FF5A, three bytes
// each): its ASCII fold, or 0.
char FullWidthFold(std::string_view text, std::size_t i);
