#include "ManualPage.h"

#include <algorithm>
#include <cctype>

namespace {

std::string upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return out;
}

/// A macro argument in double quotes (a quote inside is written as roff's \(dq).
std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : ManualPage::escape(text)) {
        if (c == '"')
            out += "\\(dq";
        else
            out += c;
    }
    return out + '"';
}

} // namespace

ManualPage::ManualPage(std::string_view name, std::string_view summary, std::string_view version, std::string_view date,
    std::string_view synopsis, std::string_view description)
{
    m_text = ".TH " + quoted(upper(name)) + " 1 " + quoted(date) + " "
        + quoted(std::string(name) + " " + std::string(version)) + " \"User Commands\"\n.nh\n.ad l\n";
    section("NAME");
    m_text += escape(name) + " \\- " + escape(summary) + '\n';
    section("Synopsis");
    paragraph(synopsis);
    section("Description");
    paragraph(description);
}

std::string ManualPage::hangingIndent(std::string_view help, std::size_t column)
{
    std::string text;
    for (std::size_t end; (end = help.find('\n')) != std::string_view::npos; help.remove_prefix(end + 1)) {
        text += help.substr(0, end);
        text += '\n' + std::string(column, ' ');
    }
    return text + std::string(help);
}

void ManualPage::section(std::string_view title)
{
    m_text += ".SH " + quoted(upper(title)) + '\n';
}

void ManualPage::subsection(std::string_view title)
{
    m_text += ".SS " + quoted(title) + '\n';
}

void ManualPage::paragraph(std::string_view text)
{
    m_text += ".PP\n";
    std::string line;
    for (const char c : text)
        line += c == '\n' ? ' ' : c;
    m_text += escape(line) + '\n';
}

void ManualPage::item(std::string_view term, std::string_view argument, std::string_view description)
{
    m_text += ".TP\n";
    m_text
        += argument.empty() ? ".B " + quoted(term) : ".BI " + quoted(std::string(term) + " ") + " " + quoted(argument);
    m_text += '\n';
    std::string line;
    for (const char c : description)
        line += c == '\n' ? ' ' : c;
    m_text += escape(line) + '\n';
}

std::string ManualPage::escape(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-'
            && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '-' || text[i - 1] == '[' || text[i - 1] == '('
                || text[i - 1] == '"')) {
            // Dashes that start an option are minus signs, so the text can be copied into a terminal.
            out += "\\-";
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\''))
        out.insert(0, "\\&");
    return out;
}
