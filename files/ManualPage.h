#pragma once

#include <string>
#include <string_view>
#include <vector>

/// A manual page in roff (the man(7) macros), built from the same texts as a program's --help so that the two
/// cannot drift apart. Text given to it is plain: line breaks are word breaks, and roff's special characters
/// are escaped here.
class ManualPage {
public:
    /// `name` as in "quorvane-cli", `summary` the rest of the NAME line, `date` as "2026-12-07"; the SYNOPSIS and
    /// DESCRIPTION sections follow, with `synopsis` and `description` as their paragraphs.
    ManualPage(std::string_view name, std::string_view summary, std::string_view version, std::string_view date,
        std::string_view synopsis, std::string_view description);

    /// A section heading (NAME and the title are written by the constructor).
    void section(std::string_view title);
    void subsection(std::string_view title);
    /// A filled paragraph.
    void paragraph(std::string_view text);
    /// An option or term: `term` in bold, `argument` (may be empty) in italics, then its description.
    void item(std::string_view term, std::string_view argument, std::string_view description);

    [[nodiscard]] std::string text() const { return m_text; }

    /// Text as a roff text line: backslashes and dashes escaped, and a leading "." or "'" made harmless.
    static std::string escape(std::string_view text);
    /// A help text of --help whose lines (separated by "\n") after the first start at `column`, under the first.
    static std::string hangingIndent(std::string_view help, std::size_t column);

private:
    std::string m_text;
};
