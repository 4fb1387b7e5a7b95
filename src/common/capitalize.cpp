#include "common/capitalize.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "common/text.h"

namespace cuevoice {
namespace {

struct MultipleUpperCase {
    std::uint32_t code_point;
    const char* upper; // UTF-8
};

// The characters whose upper case is more than one character (Unicode's unconditional special
// casing, version 14). The system's case mapping knows only one-to-one mappings, so these come
// first. Sorted by code point.
constexpr MultipleUpperCase multiple_upper_case[] = {
    {0x00DF, "\x53\x53"},
    {0x0149, "\xca\xbc\x4e"},
    {0x01F0, "\x4a\xcc\x8c"},
    {0x0390, "\xce\x99\xcc\x88\xcc\x81"},
    {0x03B0, "\xce\xa5\xcc\x88\xcc\x81"},
    {0x0587, "\xd4\xb5\xd5\x92"},
    {0x1E96, "\x48\xcc\xb1"},
    {0x1E97, "\x54\xcc\x88"},
    {0x1E98, "\x57\xcc\x8a"},
    {0x1E99, "\x59\xcc\x8a"},
    {0x1E9A, "\x41\xca\xbe"},
    {0x1F50, "\xce\xa5\xcc\x93"},
    {0x1F52, "\xce\xa5\xcc\x93\xcc\x80"},
    {0x1F54, "\xce\xa5\xcc\x93\xcc\x81"},
    {0x1F56, "\xce\xa5\xcc\x93\xcd\x82"},
    {0x1F80, "\xe1\xbc\x88\xce\x99"},
    {0x1F81, "\xe1\xbc\x89\xce\x99"},
    {0x1F82, "\xe1\xbc\x8a\xce\x99"},
    {0x1F83, "\xe1\xbc\x8b\xce\x99"},
    {0x1F84, "\xe1\xbc\x8c\xce\x99"},
    {0x1F85, "\xe1\xbc\x8d\xce\x99"},
    {0x1F86, "\xe1\xbc\x8e\xce\x99"},
    {0x1F87, "\xe1\xbc\x8f\xce\x99"},
    {0x1F88, "\xe1\xbc\x88\xce\x99"},
    {0x1F89, "\xe1\xbc\x89\xce\x99"},
    {0x1F8A, "\xe1\xbc\x8a\xce\x99"},
    {0x1F8B, "\xe1\xbc\x8b\xce\x99"},
    {0x1F8C, "\xe1\xbc\x8c\xce\x99"},
    {0x1F8D, "\xe1\xbc\x8d\xce\x99"},
    {0x1F8E, "\xe1\xbc\x8e\xce\x99"},
    {0x1F8F, "\xe1\xbc\x8f\xce\x99"},
    {0x1F90, "\xe1\xbc\xa8\xce\x99"},
    {0x1F91, "\xe1\xbc\xa9\xce\x99"},
    {0x1F92, "\xe1\xbc\xaa\xce\x99"},
    {0x1F93, "\xe1\xbc\xab\xce\x99"},
    {0x1F94, "\xe1\xbc\xac\xce\x99"},
    {0x1F95, "\xe1\xbc\xad\xce\x99"},
    {0x1F96, "\xe1\xbc\xae\xce\x99"},
    {0x1F97, "\xe1\xbc\xaf\xce\x99"},
    {0x1F98, "\xe1\xbc\xa8\xce\x99"},
    {0x1F99, "\xe1\xbc\xa9\xce\x99"},
    {0x1F9A, "\xe1\xbc\xaa\xce\x99"},
    {0x1F9B, "\xe1\xbc\xab\xce\x99"},
    {0x1F9C, "\xe1\xbc\xac\xce\x99"},
    {0x1F9D, "\xe1\xbc\xad\xce\x99"},
    {0x1F9E, "\xe1\xbc\xae\xce\x99"},
    {0x1F9F, "\xe1\xbc\xaf\xce\x99"},
    {0x1FA0, "\xe1\xbd\xa8\xce\x99"},
    {0x1FA1, "\xe1\xbd\xa9\xce\x99"},
    {0x1FA2, "\xe1\xbd\xaa\xce\x99"},
    {0x1FA3, "\xe1\xbd\xab\xce\x99"},
    {0x1FA4, "\xe1\xbd\xac\xce\x99"},
    {0x1FA5, "\xe1\xbd\xad\xce\x99"},
    {0x1FA6, "\xe1\xbd\xae\xce\x99"},
    {0x1FA7, "\xe1\xbd\xaf\xce\x99"},
    {0x1FA8, "\xe1\xbd\xa8\xce\x99"},
    {0x1FA9, "\xe1\xbd\xa9\xce\x99"},
    {0x1FAA, "\xe1\xbd\xaa\xce\x99"},
    {0x1FAB, "\xe1\xbd\xab\xce\x99"},
    {0x1FAC, "\xe1\xbd\xac\xce\x99"},
    {0x1FAD, "\xe1\xbd\xad\xce\x99"},
    {0x1FAE, "\xe1\xbd\xae\xce\x99"},
    {0x1FAF, "\xe1\xbd\xaf\xce\x99"},
    {0x1FB2, "\xe1\xbe\xba\xce\x99"},
    {0x1FB3, "\xce\x91\xce\x99"},
    {0x1FB4, "\xce\x86\xce\x99"},
    {0x1FB6, "\xce\x91\xcd\x82"},
    {0x1FB7, "\xce\x91\xcd\x82\xce\x99"},
    {0x1FBC, "\xce\x91\xce\x99"},
    {0x1FC2, "\xe1\xbf\x8a\xce\x99"},
    {0x1FC3, "\xce\x97\xce\x99"},
    {0x1FC4, "\xce\x89\xce\x99"},
    {0x1FC6, "\xce\x97\xcd\x82"},
    {0x1FC7, "\xce\x97\xcd\x82\xce\x99"},
    {0x1FCC, "\xce\x97\xce\x99"},
    {0x1FD2, "\xce\x99\xcc\x88\xcc\x80"},
    {0x1FD3, "\xce\x99\xcc\x88\xcc\x81"},
    {0x1FD6, "\xce\x99\xcd\x82"},
    {0x1FD7, "\xce\x99\xcc\x88\xcd\x82"},
    {0x1FE2, "\xce\xa5\xcc\x88\xcc\x80"},
    {0x1FE3, "\xce\xa5\xcc\x88\xcc\x81"},
    {0x1FE4, "\xce\xa1\xcc\x93"},
    {0x1FE6, "\xce\xa5\xcd\x82"},
    {0x1FE7, "\xce\xa5\xcc\x88\xcd\x82"},
    {0x1FF2, "\xe1\xbf\xba\xce\x99"},
    {0x1FF3, "\xce\xa9\xce\x99"},
    {0x1FF4, "\xce\x8f\xce\x99"},
    {0x1FF6, "\xce\xa9\xcd\x82"},
    {0x1FF7, "\xce\xa9\xcd\x82\xce\x99"},
    {0x1FFC, "\xce\xa9\xce\x99"},
    {0xFB00, "\x46\x46"},
    {0xFB01, "\x46\x49"},
    {0xFB02, "\x46\x4c"},
    {0xFB03, "\x46\x46\x49"},
    {0xFB04, "\x46\x46\x4c"},
    {0xFB05, "\x53\x54"},
    {0xFB06, "\x53\x54"},
    {0xFB13, "\xd5\x84\xd5\x86"},
    {0xFB14, "\xd5\x84\xd4\xb5"},
    {0xFB15, "\xd5\x84\xd4\xbb"},
    {0xFB16, "\xd5\x8e\xd5\x86"},
    {0xFB17, "\xd5\x84\xd4\xbd"},
};
static_assert(std::is_sorted(std::begin(multiple_upper_case), std::end(multiple_upper_case),
                             [](const MultipleUpperCase& a, const MultipleUpperCase& b) {
                                 return a.code_point < b.code_point;
                             }));

const char* multiple_upper_case_of(std::uint32_t code_point) {
    auto found = std::lower_bound(
        std::begin(multiple_upper_case), std::end(multiple_upper_case), code_point,
        [](const MultipleUpperCase& row, std::uint32_t wanted) { return row.code_point < wanted; });
    if (found == std::end(multiple_upper_case) || found->code_point != code_point)
        return nullptr;
    return found->upper;
}

std::uint32_t code_point_of(std::wstring_view units) {
    if (units.size() == 2)
        return 0x10000 + ((static_cast<std::uint32_t>(units[0]) - 0xD800) << 10) +
               (static_cast<std::uint32_t>(units[1]) - 0xDC00);
    return units[0];
}

// The one-to-one upper case of the system's tables, independent of the user's language.
std::wstring system_upper_case(std::wstring_view units) {
    const int length = static_cast<int>(units.size());
    int size = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, units.data(), length, nullptr,
                             0, nullptr, nullptr, 0);
    if (size <= 0)
        return std::wstring(units);
    std::wstring upper(static_cast<std::size_t>(size), L'\0');
    size = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, units.data(), length, upper.data(),
                         size, nullptr, nullptr, 0);
    if (size <= 0)
        return std::wstring(units);
    upper.resize(static_cast<std::size_t>(size));
    return upper;
}

} // namespace

std::string capitalize_first(std::string_view text) {
    if (text.empty())
        return {};
    const unsigned char lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        std::string result(text);
        if (lead >= 'a' && lead <= 'z')
            result[0] = static_cast<char>(lead - 'a' + 'A');
        return result;
    }
    // A character takes at most four bytes; what follows it in them does not matter here.
    const std::wstring head = to_wide(text.substr(0, 4));
    const bool pair = head.size() >= 2 && head[0] >= 0xD800 && head[0] <= 0xDBFF &&
                      head[1] >= 0xDC00 && head[1] <= 0xDFFF;
    const std::wstring_view first = std::wstring_view(head).substr(0, pair ? 2 : 1);
    const std::string first_utf8 = to_utf8(first);
    // Invalid bytes decode to a replacement character that the text does not start with.
    if (!text.starts_with(first_utf8))
        return std::string(text);
    const std::string_view rest = text.substr(first_utf8.size());
    if (const char* upper = multiple_upper_case_of(code_point_of(first)))
        return std::string(upper) + std::string(rest);
    return to_utf8(system_upper_case(first)) + std::string(rest);
}

} // namespace cuevoice
