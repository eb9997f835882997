// XML documents as UTF-8 text: the encoding found as an XML parser finds it (byte order mark,
// then the declaration), for the encodings books are written in.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace leafmark::pack {

// The document cannot be read: bytes that are not valid in its encoding, or an encoding this
// reader does not know. The message says which.
class EXmlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The document's characters as UTF-8, without a byte order mark. Known encodings: UTF-8 (the
// default), UTF-16 in either byte order (with a mark, or recognised from "<?"), ISO-8859-1,
// Windows-1252 and US-ASCII. Throws EXmlError otherwise.
std::string XmlToUtf8(const std::vector<std::uint8_t>& bytes);

// Appends code point c to out as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace leafmark::pack
