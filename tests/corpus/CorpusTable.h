#pragma once

#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace tobble::corpus {

// One row of expected.tsv.
struct Case {
    std::string name;
    int checkExit = 0;
    std::string loader; // "ok", or the error description expected after the fixed text
    std::vector<std::pair<std::string, std::string>> state;
    std::string note;
};

inline std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (std::size_t at; (at = text.find(separator, begin)) != std::string::npos;) {
        parts.push_back(text.substr(begin, at - begin));
        begin = at + separator.size();
    }
    parts.push_back(text.substr(begin));
    return parts;
}

inline std::vector<Case> readTable(const std::string& file) {
    std::vector<Case> cases;
    std::ifstream in(file);
    for (std::string row; std::getline(in, row);) {
        if (row.empty() || row[0] == '#')
            continue;
        const std::vector<std::string> columns = split(row, "\t");
        Case c;
        c.name = columns.at(0);
        c.checkExit = std::stoi(columns.at(1));
        c.loader = columns.at(2);
        if (!columns.at(3).empty()) {
            for (const std::string& check : split(columns.at(3), " ; ")) {
                const std::size_t equals = check.find('=');
                c.state.emplace_back(check.substr(0, equals), check.substr(equals + 1));
            }
        }
        c.note = columns.size() > 4 ? columns[4] : "";
        cases.push_back(std::move(c));
    }
    return cases;
}

inline void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// Expands \uXXXX escapes into UTF-16.
inline std::u16string unescape(const std::string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\u") == 0 && i + 6 <= text.size()) {
            out += static_cast<char16_t>(std::stoul(text.substr(i + 2, 4), nullptr, 16));
            i += 5;
        } else {
            out += static_cast<char16_t>(static_cast<unsigned char>(text[i]));
        }
    }
    return out;
}

} // namespace tobble::corpus
