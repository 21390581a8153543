// The texts of the setup's messages: which arguments each message key passes, and
// formatting a text from the settings file with them. The texts come from a file on the
// medium, so a text is trusted only as far as its conversions match what its key passes.
#pragma once

#include <cstdarg>
#include <string_view>

#include "bounded_text.h"

// The arguments the setup passes with `key`, in order: 's' a text, 'c' a character (passed
// as an int), 'd' a number (an int). Empty for keys without arguments and unknown keys.
std::string_view SetupMessageArgumentKinds(std::string_view key);

// Formats `text` (a format in the style of wvsprintfA: %s, %c, %d, %i, %u, %x, %X with
// flags, width and precision, and %%) with `arguments` of the given kinds into `out`.
// A text whose conversions ask for more arguments than `kinds` lists, for other kinds, or
// for a form the setup never passes (a '*' width, wide texts) is copied as written. The
// result always fits: a longer one ends at the last whole character (`isLead`) that fits.
void FormatSetupMessage(std::string_view kinds, const char* text, va_list arguments,
                        char (&out)[256], kolta::LeadBytePredicate isLead);
