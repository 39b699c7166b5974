#include "svn/CSvnDocument.h"

#include "svn/CommandRunner.h"
#include "svn/XmlNesting.h"

#include <algorithm>
#include <string_view>

namespace {

// svn's answers nest a handful of levels; anything deeper is not svn's.
constexpr int kMaxNesting = 32;
// TinyXML takes a UTF-8 character's whole length from its first byte even where the text ends
// inside it; the padding keeps such a read within the buffer.
constexpr std::size_t kUtf8Padding = 4;

// The text with every blank, tab and line break inside the elements named element written as a
// character reference, which TinyXML turns back into the character without folding it.
std::string WithBlanksKept(std::string_view text, const char* element) {
    const std::string open = std::string("<") + element + '>';
    const std::string close = std::string("</") + element + '>';
    std::string kept;
    kept.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t start = text.find(open, position);
        if (start == std::string_view::npos)
            break;
        const std::size_t content = start + open.size();
        const std::size_t end = std::min(text.find(close, content), text.size());
        kept.append(text.substr(position, content - position));
        for (const char character : text.substr(content, end - content)) {
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
        position = end;
    }
    if (position < text.size())
        kept.append(text.substr(position));
    return kept;
}

} // namespace

bool CSvnDocument::Parse(const std::string& rawOutput, const char* keptElement) {
    if (rawOutput.size() > kDefaultOutputLimit) {
        m_strError = QStringLiteral("Output is too long.");
        return false;
    }
    const std::string_view document = std::string_view(rawOutput).substr(DocumentStart(rawOutput));
    std::string padded = keptElement ? WithBlanksKept(document, keptElement) : std::string(document);
    padded.append(kUtf8Padding, '\0');
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
