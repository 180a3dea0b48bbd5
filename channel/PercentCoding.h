// Percent escaping of 8-bit address strings.
//
// Both functions write at most `capacity` characters (terminator included) to `dst`, set
// `*neededLength` to the characters the whole result needs with its terminator, and return true
// only when all of it fitted. Once a piece (a character or a whole escape) does not fit with a
// terminator after it, nothing more is written and the terminator goes where writing stopped:
// whenever `capacity` is not 0, `dst` holds a terminated prefix of the result.
#pragma once

#include <cstdint>

// Copies the safe characters ! ' ( ) * - . / 0-9 : A-Z _ a-z ~ and "%" unchanged and writes every
// other byte as "%" and two lower-case hexadecimal digits.
bool PercentEncodeUrl(const char* src, char* dst, uint32_t* neededLength, uint32_t capacity);

// Replaces "%" and two hexadecimal digits (either case) by that byte; "+" stays "+". A "%" that is
// not followed by two digits ends the decoding there and the result is false; `dst` then holds
// what was decoded before it and `*neededLength` counts only that part.
bool PercentDecodeUrl(const char* src, char* dst, uint32_t* neededLength, uint32_t capacity);
