#pragma once

#include <string_view>

// How deeply TinyXML's parse of text nests elements, found without parsing: the text is tokenised
// the way TinyXML reads it from memory (its choice of encoding, where a UTF-8 lead byte swallows the
// bytes after it, quoted attribute values, entities, comments, CDATA and end tags), and the scan
// stops where TinyXML would stop with an error. TinyXML parses and frees elements recursively, so
// this is what bounds its use of the stack. text is the whole buffer TinyXML is given, stray NUL
// bytes included. Stops counting at limit + 1.
int XmlNestingDepth(std::string_view text, int limit);
