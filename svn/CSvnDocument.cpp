#include "svn/CSvnDocument.h"

#include "svn/XmlNesting.h"

#include <algorithm>
#include <string_view>

namespace {

// svn's answers nest a handful of levels; anything deeper is not svn's.
constexpr int kMaxNesting = 32;
// TinyXML takes a UTF-8 character's whole length from its first byte even where the text ends
// inside it; the padding keeps such a read within the buffer.
constexpr std::size_t kUtf8Padding = 4;

bool IsBlank(char character) {
    return character == ' ' || character == '\t' || character == '\n' || character == '\r';
}

// The text with every blank, tab and line break inside an element's text written as a character
// reference, which TinyXML turns back into the character without folding it; a run between tags
// that holds nothing else is left as it is, so that no text node is made of it. Quoted attribute
// values are passed over, as they may hold '>'; TinyXML keeps their blanks anyway.
std::string WithBlanksKept(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        if (text[position] == '<') {
            const std::size_t tagStart = position;
            char quote = '\0';
            for (++position; position < text.size(); ++position) {
                const char character = text[position];
                if (quote != '\0') {
                    if (character == quote)
                        quote = '\0';
                } else if (character == '"' || character == '\'') {
                    quote = character;
                } else if (character == '>') {
                    ++position;
                    break;
                }
            }
            kept.append(text.substr(tagStart, position - tagStart));
            continue;
        }
        const std::size_t end = std::min(text.find('<', position), text.size());
        const std::string_view run = text.substr(position, end - position);
        if (std::all_of(run.begin(), run.end(), IsBlank)) {
            kept.append(run);
        } else {
            for (const char character : run) {
                switch (character) {
                case ' ':
                    kept += "&#32;";
                    break;
                case '\t':
                    kept += "&#9;";
                    break;
                case '\n':
                    kept += "&#10;";
                    break;
                case '\r':
                    kept += "&#13;";
                    break;
                default:
                    kept += character;
                }
            }
        }
        position = end;
    }
    return kept;
}

} // namespace

bool CSvnDocument::Parse(const std::string& rawOutput, std::size_t outputLimit) {
    if (rawOutput.size() > outputLimit) {
        m_strError = QStringLiteral("Output is too long.");
        return false;
    }
    const std::string_view document = std::string_view(rawOutput).substr(DocumentStart(rawOutput));
    std::string padded = Padded(document);
    if (XmlNestingDepth(std::string_view(padded), kMaxNesting) > kMaxNesting) {
        m_strError = QStringLiteral("Document is nested too deeply.");
        return false;
    }
    m_Document.Parse(padded.c_str());
    if (m_Document.Error()) {
        m_strError = Text(m_Document.ErrorDesc(), kWhole);
        return false;
    }
    return true;
}

std::string CSvnDocument::Padded(std::string_view document) {
    std::string padded = WithBlanksKept(document);
    padded.append(kUtf8Padding, '\0');
    return padded;
}

std::size_t CSvnDocument::DocumentStart(const std::string& output) {
    const std::size_t first = output.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || output[first] == '<')
        return 0;
    const std::size_t declaration = output.find("\n<?xml");
    return declaration == std::string::npos ? 0 : declaration + 1;
}

QString CSvnDocument::Text(const char* narrow, qsizetype maxLength) {
    // svn writes its XML in UTF-8 whatever the system's code page.
    QString text = narrow ? QString::fromUtf8(narrow) : QString();
    if (maxLength != kWhole && text.size() > maxLength)
        text.truncate(text.at(maxLength - 1).isHighSurrogate() ? maxLength - 1 : maxLength);
    return text;
}

QString CSvnDocument::ElementText(const TiXmlElement* element, qsizetype maxLength) {
    const TiXmlNode* child = element ? element->FirstChild() : nullptr;
    const TiXmlText* text = child ? child->ToText() : nullptr;
    return text ? Text(text->Value(), maxLength) : QString();
}
