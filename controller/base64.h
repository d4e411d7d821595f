#pragma once
// The password decoding of SetLogin: Base64 (RFC 4648, standard alphabet) for well-formed
// text, with a fixed answer for any other text.

#include <string>

namespace tavo::controller {

// Characters fill groups of four positions in order, whatever they are; one outside the
// alphabet (and not "=") leaves its position with the value it held in the previous group
// (0 in the first group). Each full group gives up to three bytes: none when its first value
// is the pad mark, one when its third is, two when only its fourth is. Characters after the
// last full group are dropped. The result is raw bytes; no code page applies.
std::string Base64Decoder(const std::string& text);

} // namespace tavo::controller
