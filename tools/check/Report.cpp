#include "Report.h"

#include <cstdio>
#include <iomanip>
#include <sstream>

#include "base/TextEncoding.h"

namespace tobble::check {
namespace {

std::string utf8(const std::u16string& text) {
    return toUtf8(text);
}

std::string seconds(double value) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(2) << value;
    return out.str();
}

// "IMA ADPCM 4-bit stereo, 22050 Hz, 0.45 s": what the file holds, as far as it is known.
std::string wavSummary(const WavInfo& w) {
    std::string text = w.encoding + (w.extensible ? " (extensible)" : "");
    if (w.bitsPerSample)
        text += " " + std::to_string(w.bitsPerSample) + "-bit";
    text += w.channels == 1   ? std::string(" mono")
            : w.channels == 2 ? std::string(" stereo")
                              : " " + std::to_string(w.channels) + " channels";
    text += ", " + std::to_string(w.sampleRate) + " Hz";
    if (w.wellFormed)
        text += ", " + seconds(w.seconds) + " s";
    return text;
}

std::string soundSummary(const SoundCheck& sound) {
    if (!sound.exists)
        return sound.file + ": MISSING (the bell plays instead)";
    if (!sound.wav.playable)
        return sound.file + ": NOT PLAYABLE, " + sound.wav.problem +
               (sound.wav.hasFormat ? " [" + wavSummary(sound.wav) + "]" : "") +
               " (the bell plays instead)";
    return sound.file + ": ok, " + wavSummary(sound.wav);
}

void printItem(const std::string& label, const SpokenItem& item, std::ostream& out) {
    out << "  " << label << " \"" << utf8(item.text) << "\"\n"
        << "      " << soundSummary(item.sound) << "\n";
}

std::string jsonString(const std::string& utf8Text) {
    std::string out = "\"";
    for (const char c : utf8Text) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string jsonString(const std::u16string& text) {
    return jsonString(utf8(text));
}

std::string jsonSound(const SoundCheck& sound) {
    const WavInfo& w = sound.wav;
    std::string out = "{\"file\": " + jsonString(sound.file) +
                      ", \"exists\": " + (sound.exists ? "true" : "false") +
                      ", \"playable\": " + (w.playable ? "true" : "false");
    if (w.hasFormat) {
        out += ", \"format\": " + std::to_string(w.formatTag) +
               ", \"channels\": " + std::to_string(w.channels) +
               ", \"rate\": " + std::to_string(w.sampleRate) +
               ", \"bits\": " + std::to_string(w.bitsPerSample) +
               ", \"encoding\": " + jsonString(w.encoding) +
               ", \"extensible\": " + (w.extensible ? "true" : "false");
    }
    if (w.playable)
        out += ", \"seconds\": " + seconds(w.seconds);
    else
        out += ", \"problem\": " + jsonString(sound.exists ? w.problem : std::string("missing"));
    return out + "}";
}

std::string jsonItem(const SpokenItem& item) {
    return "{\"number\": " + std::to_string(item.number) + ", \"text\": " + jsonString(item.text) +
           ", \"sound\": " + jsonSound(item.sound) + "}";
}

std::string jsonItems(const std::vector<SpokenItem>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i)
        out += (i ? ",\n    " : "\n    ") + jsonItem(items[i]);
    return out + (items.empty() ? "]" : "\n  ]");
}

void printItems(const PackReport& report, std::ostream& out) {
    if (report.items.empty())
        return;
    out << "\nconfig.ini item by item, as the program read it:\n"
        << "  item  line  read as              text\n";
    for (const ItemRow& item : report.items) {
        char head[64];
        std::snprintf(head, sizeof head, "  %4zu  %4zu  %-20s ", item.number, item.line,
                      item.role.c_str());
        out << head;
        if (item.missing)
            out << "MISSING: the file ends before it\n";
        else
            out << "\"" << utf8(item.text) << "\"\n";
    }
    if (report.error && report.error->item && !report.items.back().missing)
        out << "The reader stopped at item " << *report.error->item << ".\n";
}

void printSpoken(const PackReport& report, std::ostream& out) {
    if (report.greeting)
        printItem("Greeting (0)", *report.greeting, out);
    if (!report.error || !report.lines.empty())
        out << "Lines: " << report.lines.size() << "\n";
    for (const SpokenItem& line : report.lines)
        printItem("Line " + std::to_string(line.number), line, out);
    if (!report.error || !report.answers.empty())
        out << "Answers: " << report.answers.size() << "\n";
    for (const SpokenItem& answer : report.answers)
        printItem("Answer " + std::to_string(answer.number), answer, out);
}

std::string jsonItemRows(const std::vector<ItemRow>& rows) {
    std::string out = "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ItemRow& row = rows[i];
        out += (i ? ",\n    " : "\n    ");
        out += "{\"number\": " + std::to_string(row.number) +
               ", \"line\": " + std::to_string(row.line) + ", \"role\": " + jsonString(row.role) +
               (row.missing ? std::string(", \"missing\": true")
                            : ", \"text\": " + jsonString(row.text)) +
               "}";
    }
    return out + (rows.empty() ? "]" : "\n  ]");
}

} // namespace

void printText(const PackReport& report, std::ostream& out) {
    out << "Character: " << report.directory.string() << "\n";
    if (!report.picture.exists) {
        out << "Picture: picture.jpg MISSING";
        if (!report.picture.renameHint.empty())
            out << " (" << utf8(report.picture.renameHint) << ")";
        out << "\n";
    } else {
        out << "Picture: picture.jpg " << (report.picture.decodes ? "ok" : "DOES NOT DECODE");
        if (report.picture.width > 0)
            out << ", " << report.picture.width << " x " << report.picture.height << " pixels";
        out << "\n";
    }
    if (report.title)
        out << "Title: \"" << utf8(*report.title) << "\"\n";

    if (report.error) {
        out << "\nThe program cannot load this character. It shows the box \""
            << utf8(report.error->title) << "\":\n  " << utf8(report.error->message) << "\n";
        printItems(report, out);
        if (report.greeting || !report.lines.empty() || !report.answers.empty())
            out << "\nRead before the failure:\n";
        printSpoken(report, out);
        return;
    }

    printItems(report, out);
    printSpoken(report, out);
    if (!report.unusedFiles.empty()) {
        out << "Sound files no item uses:";
        for (const std::string& name : report.unusedFiles)
            out << " " << name;
        out << "\n";
    }
    if (!report.leftOut.empty()) {
        out << "Left out of the character file:";
        for (const std::string& name : report.leftOut)
            out << " " << name;
        out << "\n";
    }

    switch (report.verdict()) {
    case Verdict::Complete:
        out << "\nThe character is complete.\n";
        break;
    case Verdict::Incomplete:
        out << "\nThe character loads, but some sounds are missing, unplayable or unused.\n";
        break;
    case Verdict::LoadFails:
        break;
    }
}

void printJson(const PackReport& report, std::ostream& out) {
    const char* status = report.verdict() == Verdict::Complete     ? "complete"
                         : report.verdict() == Verdict::Incomplete ? "incomplete"
                                                                   : "error";
    out << "{\n  \"directory\": " << jsonString(report.directory.string()) << ",\n  \"status\": \""
        << status << "\""
        << ",\n  \"exit\": " << static_cast<int>(report.verdict());
    out << ",\n  \"picture\": {\"file\": \"picture.jpg\", \"exists\": "
        << (report.picture.exists ? "true" : "false")
        << ", \"decodes\": " << (report.picture.decodes ? "true" : "false");
    if (!report.picture.renameHint.empty())
        out << ", \"hint\": " << jsonString(report.picture.renameHint);
    if (report.picture.width > 0)
        out << ", \"width\": " << report.picture.width << ", \"height\": " << report.picture.height;
    out << "}";
    out << ",\n  \"title\": " << (report.title ? jsonString(*report.title) : std::string("null"));
    if (report.error) {
        out << ",\n  \"error\": {\"title\": " << jsonString(report.error->title)
            << ", \"message\": " << jsonString(report.error->message);
        if (report.error->line)
            out << ", \"line\": " << *report.error->line
                << ", \"column\": " << *report.error->column;
        if (report.error->item)
            out << ", \"item\": " << *report.error->item;
        out << "}";
    } else {
        out << ",\n  \"error\": null";
    }
    out << ",\n  \"greeting\": " << (report.greeting ? jsonItem(*report.greeting) : "null");
    out << ",\n  \"lines\": " << jsonItems(report.lines);
    out << ",\n  \"answers\": " << jsonItems(report.answers);
    out << ",\n  \"items\": " << jsonItemRows(report.items);
    out << ",\n  \"unused\": [";
    for (std::size_t i = 0; i < report.unusedFiles.size(); ++i)
        out << (i ? ", " : "") << jsonString(report.unusedFiles[i]);
    out << "],\n  \"left_out\": [";
    for (std::size_t i = 0; i < report.leftOut.size(); ++i)
        out << (i ? ", " : "") << jsonString(report.leftOut[i]);
    out << "]\n}\n";
}

} // namespace tobble::check
