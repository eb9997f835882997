// A small XML reader: the element tree of a well-formed document, with each element's text.
// Enough for a book's settings; no DTD processing and no external resources.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/xml_text.h"

namespace leafmark::pack {

struct TXmlElement {
  std::string Name;
  std::string Text;  // every character of its content, CDATA and descendants included
  std::vector<TXmlElement> Children;

  // The first child element named exactly name; null when there is none.
  const TXmlElement* Child(std::string_view name) const;
};

// The document element of text (UTF-8, see XmlToUtf8). Throws EXmlError naming the fault
// when the text is not a well-formed document: unclosed or crossed elements, a second
// document element, an unknown entity, elements nested deeper than a settings file needs.
TXmlElement ParseXmlDocument(std::string_view text);

}  // namespace leafmark::pack
