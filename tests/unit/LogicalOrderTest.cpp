// The natural name order against Windows' own logical comparison (StrCmpLogicalW, Explorer's order)
// on a generated corpus: every pair on which the two disagree must be one of the deliberate
// differences named below. Set QUILLET_LOGICAL_PAIRS to print every such pair.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/copy/CopyOptions.h"

namespace quillet {
namespace {

using test::Printable;

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Names as people give them, then generated ones over a small alphabet (so that many pairs share a
// start): letters in both cases, digit runs with and without leading zeros, runs too long for a
// 32-bit number, spaces, dots, dashes and underscores.
std::vector<std::u16string> Corpus() {
    std::vector<std::u16string> names = {u"file1.txt",  u"file10.txt", u"File02.txt", u"file 3.txt",
                                         u"file-4.txt", u"file_5.txt", u"file.txt",   u"IMG_0001.JPG",
                                         u"v1.10.2",    u"2024-1-5",   u"4294967296", u"2147483647"};
    std::mt19937 random(2026);
    const auto pick = [&random](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    constexpr std::u16string_view kLetters = u"aAbBxZz";
    constexpr std::u16string_view kMarks = u" .-_";
    while (names.size() < 2000) {
        std::u16string name;
        for (std::size_t part = 1 + pick(4); part > 0; --part) {
            switch (pick(5)) {
                case 0:
                case 1:
                    for (std::size_t n = 1 + pick(2); n > 0; --n) {
                        name += kLetters[pick(kLetters.size())];
                    }
                    break;
                case 2:
                case 3: {
                    name.append(pick(4) == 0 ? 1 + pick(2) : 0, u'0');
                    const std::size_t digits = pick(8) == 0 ? 10 + pick(15) : 1 + pick(3);
                    for (std::size_t n = 0; n < digits; ++n) {
                        name += static_cast<char16_t>(u'0' + pick(10));
                    }
                    break;
                }
                default:
                    name += kMarks[pick(kMarks.size())];
            }
        }
        names.push_back(std::move(name));
    }
    return names;
}

// The deliberate differences, by what first tells the names apart here: a pair on which the two
// orders disagree must come under one of these.
//   leading zeros: Windows calls names that differ only in leading zeros equal; here fewer zeros
//     come first, so that only identical names tie.
//   run beyond 32 bits: Windows reads a run as a 32-bit number, which overflows past 2147483647;
//     here runs of any length compare by their value.
//   digit before ' ', '-' or '.': Wine puts digits before every other character; here a run meets
//     another character as the name order meets its first digit (by code unit), so that the two
//     name orders differ only in numbers.
//   '-' before ' ': Windows orders marks by the locale's collation; here by code unit, as the name
//     order does.
const std::set<std::string> kDeliberate = {"leading zeros",    "run beyond 32 bits", "digit before ' '",
                                           "digit before '-'", "digit before '.'",   "'-' before ' '"};

bool BeyondInt32(std::u16string_view significantDigits) {
    return significantDigits.size() > 10 ||
           (significantDigits.size() == 10 && significantDigits > std::u16string_view(u"2147483647"));
}

// The digits of a run without its leading zeros; at is moved past the run.
std::u16string_view RunValue(std::u16string_view name, std::size_t& at) {
    while (at < name.size() && name[at] == u'0') {
        ++at;
    }
    const std::size_t start = at;
    while (at < name.size() && IsDigit(name[at])) {
        ++at;
    }
    return name.substr(start, at - start);
}

std::string Shown(char16_t c) {
    return IsDigit(c) ? "digit" : "'" + Printable(std::u16string_view(&c, 1)) + "'";
}

// What first tells two names apart here, for a pair that Windows orders otherwise (theirs is its
// answer: -1, 0 or 1).
std::string Explain(std::u16string_view a, std::u16string_view b, int theirs) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::u16string_view x = RunValue(a, i);
            const std::u16string_view y = RunValue(b, j);
            if (x != y) {
                return BeyondInt32(x) || BeyondInt32(y) ? "run beyond 32 bits" : "numbers";
            }
        } else if (IsDigit(a[i]) != IsDigit(b[j]) || CompareNames(a.substr(i, 1), b.substr(j, 1)) != 0) {
            // Named by the character that Windows puts first.
            return theirs < 0 ? Shown(a[i]) + " before " + Shown(b[j])
                              : Shown(b[j]) + " before " + Shown(a[i]);
        } else {
            ++i;
            ++j;
        }
    }
    return i == a.size() && j == b.size() && theirs == 0 ? "leading zeros" : "length";
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

TEST(LogicalOrder, AgreesWithWindowsExceptWhereNamed) {
    const std::vector<std::u16string> names = Corpus();
    const bool printAll = std::getenv("QUILLET_LOGICAL_PAIRS") != nullptr;
    std::map<std::string, std::size_t> counts;
    std::map<std::string, std::string> examples;
    for (std::size_t p = 0; p < names.size(); ++p) {
        for (std::size_t q = p + 1; q < names.size(); ++q) {
            const std::u16string& a = names[p];
            const std::u16string& b = names[q];
            const int ours = Sign(CompareNamesNumerically(a, b));
            const int theirs = Sign(StrCmpLogicalW(reinterpret_cast<const wchar_t*>(a.c_str()),
                                                   reinterpret_cast<const wchar_t*>(b.c_str())));
            if (ours == theirs) {
                continue;
            }
            const std::string why = Explain(a, b, theirs);
            const std::string line = "\"" + Printable(a) + "\" vs \"" + Printable(b) + "\": here " +
                                     std::to_string(ours) + ", Windows " + std::to_string(theirs) + ", " +
                                     why;
            EXPECT_TRUE(kDeliberate.contains(why)) << "not a deliberate difference: " << line;
            if (printAll) {
                std::printf("%s\n", line.c_str());
            }
            if (counts[why]++ == 0) {
                examples[why] = line;
            }
        }
    }
    std::printf("%zu names, %zu pairs\n", names.size(), names.size() * (names.size() - 1) / 2);
    for (const auto& [why, count] : counts) {
        std::printf("%zu pairs, %s; e.g. %s\n", count, why.c_str(), examples[why].c_str());
    }
}

}  // namespace
}  // namespace quillet
