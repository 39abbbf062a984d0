// Searches in multibyte (UTF-8) text that respect character boundaries.
#pragma once

// The first occurrence of `sub` in `text` that starts at a character boundary; `text` itself when
// `sub` is empty; NULL when there is none (or either is NULL). Bytes are compared as they are, so
// the search is case-sensitive.
unsigned char* _mbsstr(const unsigned char* text, const unsigned char* sub);
