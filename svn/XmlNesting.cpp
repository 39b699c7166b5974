#include "svn/XmlNesting.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <tinyxml.h>
#include <utility>
#include <vector>

namespace {

// TinyXML may step up to four bytes past the last one it looks at.
constexpr std::size_t kPadding = 4;

enum class NodeKind { Declaration, Comment, CData, Unknown, Element };

// Follows TinyXML's reading of a document, position by position, in one encoding: byte by byte (no
// encoding known, or a legacy one) or UTF-8. Every function returns where TinyXML goes on, or null
// where it stops with an error.
class CNestingScanner final {
public:
    CNestingScanner(bool bUtf8, int limit) : m_bUtf8(bUtf8), m_iLimit(limit) {}

    // Reads the document's top-level nodes from p on. While the encoding is not known yet, the first
    // declaration settles it, as TinyXML decides from its encoding attribute.
    int ScanDocument(const char* p, bool bEncodingKnown) {
        for (;;) {
            p = SkipWhite(p);
            if (*p != '<')
                return m_iDeepest;
            const NodeKind kind = Identify(p);
            if (kind == NodeKind::Element) {
                p = ParseElement(p);
            } else if (kind == NodeKind::Declaration && !bEncodingKnown) {
                std::string strEncoding;
                p = ParseDeclaration(p, &strEncoding);
                if (p == nullptr)
                    return m_iDeepest;
                const int deeper = CNestingScanner(IsUtf8Name(strEncoding), m_iLimit).ScanDocument(p, true);
                return std::max(m_iDeepest, deeper);
            } else {
                p = SkipNode(p, kind);
            }
            if (p == nullptr)
                return m_iDeepest;
        }
    }

private:
    static bool IsWhite(char c) {
        return std::isspace(static_cast<unsigned char>(c)) || c == '\n' || c == '\r';
    }

    static bool IsAlpha(char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 127 || std::isalpha(byte);
    }

    static bool IsNameCharacter(char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 127 || std::isalnum(byte) || c == '_' || c == '-' || c == '.' || c == ':';
    }

    static bool StartsWith(const char* p, const char* tag) {
        return std::strncmp(p, tag, std::strlen(tag)) == 0;
    }

    // Only ASCII letters change case in UTF-8; a legacy encoding follows the C library's locale.
    bool StartsWithIgnoringCase(const char* p, const char* tag) const {
        for (; *tag != '\0'; ++p, ++tag) {
            const auto byte = static_cast<unsigned char>(*p);
            const int lower = m_bUtf8 && byte >= 128 ? byte : std::tolower(byte);
            if (byte == 0 || lower != *tag)
                return false;
        }
        return true;
    }

    // In UTF-8, byte-order marks count as white space.
    const char* SkipWhite(const char* p) const {
        for (;;) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(p);
            if (m_bUtf8 && bytes[0] == 0xEF &&
                ((bytes[1] == 0xBB && bytes[2] == 0xBF) ||
                 (bytes[1] == 0xBF && (bytes[2] == 0xBE || bytes[2] == 0xBF))))
                p += 3;
            else if (*p != '\0' && IsWhite(*p))
                ++p;
            else
                return p;
        }
    }

    NodeKind Identify(const char* p) const {
        if (StartsWithIgnoringCase(p, "<?xml"))
            return NodeKind::Declaration;
        if (StartsWith(p, "<!--"))
            return NodeKind::Comment;
        if (StartsWith(p, "<![CDATA["))
            return NodeKind::CData;
        if (StartsWith(p, "<!"))
            return NodeKind::Unknown;
        if (IsAlpha(p[1]) || p[1] == '_')
            return NodeKind::Element;
        return NodeKind::Unknown;
    }

    static const char* ReadName(const char* p) {
        if (*p == '\0' || !(IsAlpha(*p) || *p == '_'))
            return nullptr;
        while (*p != '\0' && IsNameCharacter(*p))
            ++p;
        return p;
    }

    // A numeric character reference runs to the first ';' and is valid when the characters between
    // the last 'x' (or '#') and it are digits; what stands before that is not looked at. Outside
    // UTF-8 it stands for one byte, the low one of its number. A '&' that starts no entity TinyXML
    // knows is dropped, so "UTF-&8" names UTF-8. Null where TinyXML stops.
    static const char* ReadEntity(const char* p, std::string* text) {
        if (p[1] != '#' || p[2] == '\0') {
            static constexpr std::pair<const char*, char> kNamed[] = {
                {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
            for (const auto& [entity, character] : kNamed) {
                if (StartsWith(p, entity)) {
                    Append(text, character);
                    return p + std::strlen(entity);
                }
            }
            return p + 1;
        }
        const bool bHex = p[2] == 'x';
        if (bHex && p[3] == '\0')
            return nullptr;
        const char* semicolon = std::strchr(p + (bHex ? 3 : 2), ';');
        if (semicolon == nullptr)
            return nullptr;
        unsigned long code = 0;
        unsigned factor = 1;
        for (const char* q = semicolon - 1; *q != (bHex ? 'x' : '#'); --q) {
            const auto byte = static_cast<unsigned char>(*q);
            if (!(bHex ? std::isxdigit(byte) : std::isdigit(byte)))
                return nullptr;
            const unsigned digit = std::isdigit(byte) ? byte - '0' : std::tolower(byte) - 'a' + 10;
            code += factor * digit;
            factor *= bHex ? 16 : 10;
        }
        Append(text, static_cast<char>(code));
        return semicolon + 1;
    }

    static void Append(std::string* text, char character) {
        if (text != nullptr)
            text->push_back(character);
    }

    // One character of text: in UTF-8 a lead byte takes as many bytes as it announces, whatever they
    // are. Its bytes go to text when one is given (only outside UTF-8 is that asked for).
    const char* NextCharacter(const char* p, std::string* text) const {
        const int length = m_bUtf8 ? TiXmlBase::utf8ByteTable[static_cast<unsigned char>(*p)] : 1;
        if (length == 1) {
            if (*p == '&')
                return ReadEntity(p, text);
            Append(text, *p);
            return p + 1;
        }
        return length > 1 ? p + length : nullptr;
    }

    // Text up to and past the end character; null when the text ends before or right after it.
    const char* ReadText(const char* p, char end, std::string* text = nullptr) const {
        while (*p != '\0' && *p != end) {
            p = NextCharacter(p, text);
            if (p == nullptr)
                return nullptr;
        }
        if (*p != '\0')
            ++p;
        return *p != '\0' ? p : nullptr;
    }

    // An attribute; its value, entities resolved, goes to value when one is given.
    const char* ParseAttribute(const char* p, std::string* value = nullptr) const {
        p = SkipWhite(p);
        if (*p == '\0')
            return nullptr;
        p = ReadName(p);
        if (p == nullptr || *p == '\0')
            return nullptr;
        p = SkipWhite(p);
        if (*p != '=')
            return nullptr;
        p = SkipWhite(p + 1);
        if (*p == '\0')
            return nullptr;
        if (value != nullptr)
            value->clear();
        if (*p == '\'' || *p == '"')
            return ReadText(p + 1, *p, value);
        for (; *p != '\0' && !IsWhite(*p) && *p != '/' && *p != '>'; ++p) {
            if (*p == '\'' || *p == '"')
                return nullptr;
            Append(value, *p);
        }
        return p;
    }

    // A declaration; the value of its (last) encoding attribute goes to encoding when one is given.
    const char* ParseDeclaration(const char* p, std::string* encoding = nullptr) const {
        p += std::strlen("<?xml");
        while (p != nullptr && *p != '\0') {
            if (*p == '>')
                return p + 1;
            p = SkipWhite(p);
            if (StartsWithIgnoringCase(p, "encoding")) {
                p = ParseAttribute(p, encoding);
            } else if (StartsWithIgnoringCase(p, "version") || StartsWithIgnoringCase(p, "standalone")) {
                p = ParseAttribute(p);
            } else {
                while (*p != '\0' && *p != '>' && !IsWhite(*p))
                    ++p;
            }
        }
        return nullptr;
    }

    // TinyXML reads on in UTF-8 for no encoding or one that begins with "UTF-8" or "UTF8", in any case;
    // the name ends at a NUL byte as its C string does.
    bool IsUtf8Name(const std::string& strEncoding) const {
        const char* name = strEncoding.c_str();
        return *name == '\0' || StartsWithIgnoringCase(name, "utf-8") || StartsWithIgnoringCase(name, "utf8");
    }

    // Comments, CDATA and unknown nodes end at their closing text; a text that ends first ends all.
    const char* SkipNode(const char* p, NodeKind kind) const {
        if (kind == NodeKind::Declaration)
            return ParseDeclaration(p);
        const char* end = nullptr;
        if (kind == NodeKind::Comment)
            end = std::strstr(p + 4, "-->");
        else if (kind == NodeKind::CData)
            end = std::strstr(p + 9, "]]>");
        else
            end = std::strchr(p + 1, '>');
        return end == nullptr ? nullptr : end + (kind == NodeKind::Unknown ? 1 : 3);
    }

    // An element with all it holds. TinyXML recurses into each child element; this keeps the open
    // elements' names on a stack of its own instead.
    const char* ParseElement(const char* p) {
        std::vector<std::string_view> open;
        for (;;) {
            // p stands at the '<' of a start tag: TinyXML makes the element before it reads on.
            m_iDeepest = std::max(m_iDeepest, static_cast<int>(open.size()) + 1);
            if (m_iDeepest > m_iLimit)
                return nullptr;
            const char* name = SkipWhite(p + 1);
            p = ReadName(name);
            if (p == nullptr || *p == '\0')
                return nullptr;
            const std::string_view strName(name, static_cast<std::size_t>(p - name));
            for (;;) {
                p = SkipWhite(p);
                if (*p == '\0')
                    return nullptr;
                if (*p == '/') {
                    if (p[1] != '>')
                        return nullptr;
                    p += 2;
                    break;
                }
                if (*p == '>') {
                    ++p;
                    open.push_back(strName);
                    break;
                }
                p = ParseAttribute(p);
                if (p == nullptr || *p == '\0')
                    return nullptr;
            }
            // The content of the innermost open element, up to the next child element.
            for (;;) {
                if (open.empty())
                    return p;
                p = SkipWhite(p);
                if (*p == '\0')
                    return nullptr;
                if (*p != '<') {
                    p = ReadText(p, '<');
                    if (p == nullptr)
                        return nullptr;
                    --p;
                } else if (p[1] == '/') {
                    const std::string_view strOpen = open.back();
                    if (std::strncmp(p + 2, strOpen.data(), strOpen.size()) != 0)
                        return nullptr;
                    p = SkipWhite(p + 2 + strOpen.size());
                    if (*p != '>')
                        return nullptr;
                    ++p;
                    open.pop_back();
                } else if (const NodeKind kind = Identify(p); kind == NodeKind::Element) {
                    break;
                } else {
                    p = SkipNode(p, kind);
                    if (p == nullptr)
                        return nullptr;
                }
            }
        }
    }

    const bool m_bUtf8;
    const int m_iLimit;
    int m_iDeepest = 0;
};

} // namespace

int XmlNestingDepth(std::string_view text, int limit) {
    std::string padded(text);
    padded.append(kPadding, '\0');
    const char* p = padded.c_str();
    if (*p == '\0')
        return 0;
    const bool bByteOrderMark = padded.compare(0, 3, "\xEF\xBB\xBF") == 0;
    return CNestingScanner(bByteOrderMark, limit).ScanDocument(p, bByteOrderMark);
}
