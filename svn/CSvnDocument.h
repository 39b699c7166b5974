#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>
#include <tinyxml.h>

// One XML answer of svn, read into a TinyXML document with the guards every answer needs: lines
// before the document (svn's warnings, ssh's notices) are passed over, and an answer that is longer
// than a run may collect or that nests deeper than svn ever does is refused before TinyXML, which
// parses and frees elements recursively, could exhaust the stack on it.
class CSvnDocument final {
public:
    // Parses the answer; false, with ErrorText() saying why, when it holds no complete document or
    // is longer than outputLimit, the bound of the run that wrote it. Every text keeps its blanks and
    // line breaks as svn wrote them (see Padded).
    bool Parse(const std::string& rawOutput, std::size_t outputLimit);
    const TiXmlDocument& Document() const { return m_Document; }
    QString ErrorText() const { return m_strError; }

    // The document as it is given to TinyXML: the blanks and line breaks of every element's text
    // written as character references, which TinyXML would otherwise fold into single blanks (its
    // switch for that is global to all threads), and room after the end for a cut UTF-8 character.
    static std::string Padded(std::string_view document);
    // Where the document starts in output: 0 when the output opens with markup (or is blank),
    // else the first line that starts with an XML declaration; 0 when there is none.
    static std::size_t DocumentStart(const std::string& output);
    // The narrow text as svn's locale writes it, cut to maxLength UTF-16 units (never half a
    // surrogate pair) unless maxLength is kWhole; empty for null.
    static QString Text(const char* narrow, qsizetype maxLength);
    // The text of an element's first child when that is a text node; empty otherwise.
    static QString ElementText(const TiXmlElement* element, qsizetype maxLength);

    static constexpr qsizetype kWhole = -1;
    // Texts that the program stores and shows are cut to this many UTF-16 units; an author set as a
    // revision property can be megabytes long.
    static constexpr qsizetype kMaxFieldLength = 256;

private:
    TiXmlDocument m_Document;
    QString m_strError;
};
