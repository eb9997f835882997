#include "app/exe_config.h"

#include <stdexcept>
#include <string_view>
#include <vector>

#include "app/xml_dom.h"
#include "base/decimal.h"
#include "win/system_text.h"

namespace leafmark {

namespace {

constexpr std::int32_t kScreenSaverMode = 4;

std::vector<std::uint8_t> ReadAll(TStream& stream) {
  stream.SetPosition(0);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stream.Size()));
  stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return bytes;
}

com::TComPtr<IXMLDOMNode> RequireChild(IXMLDOMNode* parent, const std::wstring& name) {
  com::TComPtr<IXMLDOMNode> child = FindChildNode(parent, name);
  if (!child) throw std::runtime_error("ExeConfig.xml has no element " + win::WideToSystem(name));
  return child;
}

std::string ElementText(IXMLDOMNode* parent, const std::wstring& name) {
  return win::WideToSystem(NodeText(RequireChild(parent, name).Get()));
}

}  // namespace

std::int32_t DecimalOrDefault(const std::string& text, std::int32_t fallback) {
  return ParseSignedDecimal32(text).value_or(fallback);
}


void TExeConfigInfo::LoadFromStream(TStream& stream) {
  const com::TComPtr<IXMLDOMDocument> document = LoadXmlDocument(ReadAll(stream));
  const com::TComPtr<IXMLDOMNode> root = RequireChild(document.Get(), L"ExeConfig");
  // Every element is read before any value is stored: a missing one leaves all unchanged.
  std::string caption = ElementText(root.Get(), L"ExeCaption");
  const std::string mode = ElementText(root.Get(), L"WindowOpenMode");
  const std::string width = ElementText(root.Get(), L"WindowOpenWidth");
  const std::string height = ElementText(root.Get(), L"WindowOpenHeight");

  ExeCaption = std::move(caption);
  WindowOpenMode = DecimalOrDefault(mode, 2);
  WindowOpenWidth = DecimalOrDefault(width, 800);
  WindowOpenHeight = DecimalOrDefault(height, 600);
  IsScreenSaver = WindowOpenMode == kScreenSaverMode;
}

}  // namespace leafmark
