// Reading a book's settings without the player's Windows XML parser.
#include "tools/exe_config_reader.h"

#include "base/decimal.h"
#include "tools/xml_elements.h"

namespace leafmark::pack {

namespace {

const std::string& RequiredText(const TXmlElement& parent, const char* name) {
  const TXmlElement* child = parent.Child(name);
  if (child == nullptr) throw EXmlError("ExeConfig.xml has no element " + std::string(name));
  return child->Text;
}

}  // namespace

TExeConfigValues ReadExeConfig(const std::vector<std::uint8_t>& bytes) {
  const TXmlElement root = ParseXmlDocument(XmlToUtf8(bytes));
  if (root.Name != "ExeConfig") throw EXmlError("ExeConfig.xml's root element is \"" + root.Name + "\", not ExeConfig");
  TExeConfigValues values;
  values.CaptionUtf8 = RequiredText(root, "ExeCaption");
  values.WindowOpenMode = ParseSignedDecimal32(RequiredText(root, "WindowOpenMode")).value_or(2);
  values.WindowOpenWidth = ParseSignedDecimal32(RequiredText(root, "WindowOpenWidth")).value_or(800);
  values.WindowOpenHeight = ParseSignedDecimal32(RequiredText(root, "WindowOpenHeight")).value_or(600);
  return values;
}

}  // namespace leafmark::pack
