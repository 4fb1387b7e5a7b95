#pragma once
// The spoken words for a control value: percentages, positions around the centre, times, tempos,
// musical keys and beats. Pure functions.
#include <string>
#include <string_view>

#include "catalog/action.h"

namespace cuevoice {

// The text of a value in the given format.
std::string format_value(ValueFormat format, double x);

// The property a format is read from: "parameter" (the normalised position) for percent, offset,
// balance and cue_main; "value" for the others.
std::string_view property_for_format(ValueFormat format);

// Any number: whole numbers as integers, others in their shortest form that reads back as the
// same double, never with an exponent; "NaN", "inf", "-inf"; a negative zero is "-0".
std::string number_text(double x);

// Exactly `decimals` decimals, rounded ("{:.2}" gives "120.00"); "NaN", "inf", "-inf".
std::string fixed_text(double x, int decimals);

// Whole minutes and two-digit seconds ("1:05", "62:05"); negative and NaN are "0:00".
std::string time_text(double seconds);

// One decimal at most: "128 BPM", "127.4 BPM".
std::string bpm_text(double bpm);

// Mixxx key numbers 1 to 12 are major, 13 to 24 minor: "C major, 8B", "A minor, 8A"; anything
// else is "no key".
std::string key_text(double key);

// "1 beat", otherwise "{} beats".
std::string beats_text(double beats);

} // namespace cuevoice
