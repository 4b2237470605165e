#include "ftp/dataaddress.h"

#include <vector>

#include "core/strutil.h"

namespace tarnwick {

namespace {

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// A field that is a decimal number from 0 to `max`, blanks aside.
bool ReadNumberField(std::string_view field, int max, int& value)
{
    field = Trimmed(field);
    if (field.empty() || field.size() > 5) {
        return false;
    }
    int number = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return false;
        }
        number = number * 10 + (c - '0');
    }
    if (number > max) {
        return false;
    }
    value = number;
    return true;
}

// The text between the first "(" and the first ")" after it.
bool Parenthesized(std::string_view reply, std::string_view& inside)
{
    const std::size_t open = reply.find('(');
    if (open == std::string_view::npos) {
        return false;
    }
    const std::size_t close = reply.find(')', open + 1);
    if (close == std::string_view::npos) {
        return false;
    }
    inside = reply.substr(open + 1, close - open - 1);
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t at = text.find(separator);
        fields.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return fields;
        }
        text.remove_prefix(at + 1);
    }
}

} // namespace

std::string FormatPortArgument(const std::string& ipv4, std::uint16_t port)
{
    std::string text = ipv4;
    for (char& c : text) {
        if (c == '.') {
            c = ',';
        }
    }
    return text + "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

std::string FormatEprtArgument(const std::string& ipv6, std::uint16_t port)
{
    return "|2|" + ipv6 + "|" + std::to_string(port) + "|";
}

bool ParsePasvText(std::string_view reply, std::string& host, int& port)
{
    std::string_view inside;
    if (!Parenthesized(reply, inside)) {
        return false;
    }
    const std::vector<std::string_view> fields = Split(inside, ',');
    if (fields.size() != 6) {
        return false;
    }
    int numbers[6] = {};
    for (int i = 0; i < 6; ++i) {
        if (!ReadNumberField(fields[static_cast<std::size_t>(i)], 255, numbers[i])) {
            return false;
        }
    }
    host = std::string(fields[0]) + "." + std::string(fields[1]) + "." + std::string(fields[2]) +
           "." + std::string(fields[3]);
    port = numbers[4] * 256 + numbers[5];
    return true;
}

bool ParseEpsvText(std::string_view reply, int& port)
{
    std::string_view inside;
    if (!Parenthesized(reply, inside) || inside.size() < 5) {
        return false;
    }
    const std::vector<std::string_view> fields = Split(inside, inside.front());
    // "|||6446|" splits into "", "", "", "6446", "".
    if (fields.size() != 5 || !fields[1].empty() || !fields[2].empty() || !fields[4].empty()) {
        return false;
    }
    int value = 0;
    if (!ReadNumberField(fields[3], 65535, value) || value == 0) {
        return false;
    }
    port = value;
    return true;
}

} // namespace tarnwick
