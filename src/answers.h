// Reading the answers of the dialogue: whitespace-separated words and
// numbers, taken from a stream the way scanf's "%s", "%ld" and "%lf" take
// them. Several answers may share a line; an answer that is not a number
// stays unread for the next question.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// "%s": the next word, any length; nothing when the stream has ended.
std::optional<std::string> read_word(std::FILE *f);

// "%ld" as on a system whose long has 64 bits, everywhere: blanks, an
// optional sign and digits. Returns false, storing
// nothing, when there is no number; the text stays unread, but for a sign
// before it, which is lost (as with scanf, which can push back only one
// character). A number beyond 64 bits is held at the nearer end,
// as strtol holds it, so it never wraps into a valid answer. With `text`,
// the number as it was typed (sign and digits) is put there too.
bool read_long(std::FILE *f, std::int64_t &out, std::string *text = nullptr);

// A whole word as a real in C syntax: true and *out set only when the C
// library reads the word, all of it, as one number ("9,81" and "1e" are not).
bool parse_real(const std::string &word, double &out);
