#include "transport/retry_after.h"

#include <array>

#include "transport/header_lookup.h"

namespace {

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 7> kDays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<std::string_view, 7> kLongDays = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                       "Friday", "Saturday", "Sunday"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a date's parts left to right; every step fails once one has failed.
class CDateReader {
public:
    explicit CDateReader(std::string_view text) : m_text(text) {}

    bool Literal(std::string_view s) {
        if (m_text.substr(0, s.size()) != s) return false;
        m_text.remove_prefix(s.size());
        return true;
    }
    // Exactly nDigits digits.
    std::optional<int> Digits(size_t nDigits) {
        if (m_text.size() < nDigits) return std::nullopt;
        int n = 0;
        for (size_t i = 0; i < nDigits; ++i) {
            if (!IsDigit(m_text[i])) return std::nullopt;
            n = n * 10 + (m_text[i] - '0');
        }
        m_text.remove_prefix(nDigits);
        return n;
    }
    // The index of the first name of the list that comes next (names are matched with case).
    template <size_t N>
    std::optional<int> Name(const std::array<std::string_view, N>& names) {
        for (size_t i = 0; i < N; ++i)
            if (Literal(names[i])) return static_cast<int>(i);
        return std::nullopt;
    }
    // "08:49:37"
    std::optional<int> TimeOfDay() {
        const auto h = Digits(2);
        if (!h || !Literal(":")) return std::nullopt;
        const auto m = Digits(2);
        if (!m || !Literal(":")) return std::nullopt;
        const auto s = Digits(2);
        if (!s || *h > 23 || *m > 59 || *s > 60) return std::nullopt;
        return *h * 3600 + *m * 60 + *s;
    }
    bool AtEnd() const { return m_text.empty(); }

private:
    std::string_view m_text;
};

bool IsLeapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t y, int nMonth) {
    constexpr int kDaysIn[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return nMonth == 1 && IsLeapYear(y) ? 29 : kDaysIn[nMonth];
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian; month 0-11, day 1-31).
int64_t DaysFromCivil(int64_t y, int nMonth, int nDay) {
    const int m = nMonth + 1;
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + nDay - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::optional<int64_t> Moment(int64_t nYear, std::optional<int> nMonth, std::optional<int> nDay,
                              std::optional<int> nSeconds) {
    if (!nMonth || !nDay || !nSeconds || *nDay < 1 || *nDay > DaysInMonth(nYear, *nMonth)) return std::nullopt;
    return DaysFromCivil(nYear, *nMonth, *nDay) * 86400 + *nSeconds;
}

// "Sun, 06 Nov 1994 08:49:37 GMT"
std::optional<int64_t> ParseFixDate(std::string_view text) {
    CDateReader r(text);
    if (!r.Name(kDays) || !r.Literal(", ")) return std::nullopt;
    const auto day = r.Digits(2);
    if (!r.Literal(" ")) return std::nullopt;
    const auto month = r.Name(kMonths);
    if (!r.Literal(" ")) return std::nullopt;
    const auto year = r.Digits(4);
    if (!year || !r.Literal(" ")) return std::nullopt;
    const auto seconds = r.TimeOfDay();
    if (!r.Literal(" GMT") || !r.AtEnd()) return std::nullopt;
    return Moment(*year, month, day, seconds);
}

// "Sunday, 06-Nov-94 08:49:37 GMT": a two-digit year below 70 is this century's.
std::optional<int64_t> ParseRfc850Date(std::string_view text) {
    CDateReader r(text);
    if (!r.Name(kLongDays) || !r.Literal(", ")) return std::nullopt;
    const auto day = r.Digits(2);
    if (!r.Literal("-")) return std::nullopt;
    const auto month = r.Name(kMonths);
    if (!r.Literal("-")) return std::nullopt;
    const auto year = r.Digits(2);
    if (!year || !r.Literal(" ")) return std::nullopt;
    const auto seconds = r.TimeOfDay();
    if (!r.Literal(" GMT") || !r.AtEnd()) return std::nullopt;
    return Moment(*year < 70 ? 2000 + *year : 1900 + *year, month, day, seconds);
}

// "Sun Nov  6 08:49:37 1994": the day is padded with a blank, not a zero.
std::optional<int64_t> ParseAsctimeDate(std::string_view text) {
    CDateReader r(text);
    if (!r.Name(kDays) || !r.Literal(" ")) return std::nullopt;
    const auto month = r.Name(kMonths);
    if (!r.Literal(" ")) return std::nullopt;
    const auto day = r.Literal(" ") ? r.Digits(1) : r.Digits(2);
    if (!r.Literal(" ")) return std::nullopt;
    const auto seconds = r.TimeOfDay();
    if (!r.Literal(" ")) return std::nullopt;
    const auto year = r.Digits(4);
    if (!year || !r.AtEnd()) return std::nullopt;
    return Moment(*year, month, day, seconds);
}

}  // namespace

std::optional<int64_t> ParseHttpDate(std::string_view value) {
    if (const auto t = ParseFixDate(value)) return t;
    if (const auto t = ParseRfc850Date(value)) return t;
    return ParseAsctimeDate(value);
}

std::optional<uint32_t> ParseRetryAfter(std::string_view value, int64_t nNowUtc) {
    value = TrimBlanks(value);
    if (value.empty()) return std::nullopt;
    if (IsDigit(value.front())) {
        // Digits alone: any number past the cap is the cap, however many digits it has.
        uint64_t nSeconds = 0;
        for (char c : value) {
            if (!IsDigit(c)) return std::nullopt;
            if (nSeconds <= kMaxRetryAfterSeconds) nSeconds = nSeconds * 10 + static_cast<uint64_t>(c - '0');
        }
        return static_cast<uint32_t>(nSeconds < kMaxRetryAfterSeconds ? nSeconds : kMaxRetryAfterSeconds);
    }
    const auto nWhen = ParseHttpDate(value);
    if (!nWhen || *nWhen <= nNowUtc) return std::nullopt;
    const int64_t nWait = *nWhen - nNowUtc;
    return static_cast<uint32_t>(nWait < kMaxRetryAfterSeconds ? nWait : kMaxRetryAfterSeconds);
}
