#include "xrddata/formats/pieces.h"

#include <ctime>

namespace xrddata::formats {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

std::string TrimRightBlanks(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) --n;
    return std::string(text.substr(0, n));
}

std::string_view BaseName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

CollectionDate FileTimeDate(std::optional<std::int64_t> modified) {
    CollectionDate date;
    date.from_file_time = true;
    if (!modified) return date;
    const std::time_t t = static_cast<std::time_t>(*modified);
    std::tm local{};
    if (!localtime_r(&t, &local)) return date;
    DateTime v;
    v.year = local.tm_year + 1900;
    v.month = local.tm_mon + 1;
    v.day = local.tm_mday;
    v.hour = local.tm_hour;
    v.minute = local.tm_min;
    v.second = local.tm_sec > 59 ? 59 : local.tm_sec;
    date.value = v;
    return date;
}

bool OnlyBlanksFrom(std::span<const std::byte> bytes, std::uint64_t offset) {
    for (std::size_t i = static_cast<std::size_t>(offset); i < bytes.size(); ++i)
        if (!IsBlank(static_cast<char>(bytes[i]))) return false;
    return true;
}

std::optional<double> ParseDecimalComma(std::string_view text) {
    std::string t(TrimBlanks(text));
    const std::size_t comma = t.find(',');
    if (comma != std::string::npos && t.find(',', comma + 1) == std::string::npos &&
        t.find('.') == std::string::npos)
        t[comma] = '.';
    double v;
    if (!ParseDouble(t, v)) return std::nullopt;
    return v;
}

}  // namespace xrddata::formats
