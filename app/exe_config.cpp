#include "app/exe_config.h"

#include <stdexcept>
#include <string_view>
#include <vector>

#include "app/xml_dom.h"
#include "ui/system_text.h"

namespace leafmark {

namespace {

constexpr std::int32_t kScreenSaverMode = 4;

std::vector<std::uint8_t> ReadAll(TStream& stream) {
  stream.SetPosition(0);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stream.Size()));
  stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return bytes;
}

ComPtr<IXMLDOMNode> RequireChild(IXMLDOMNode* parent, const std::wstring& name) {
  ComPtr<IXMLDOMNode> child = FindChildNode(parent, name);
  if (!child) throw std::runtime_error("ExeConfig.xml has no element " + ui::WideToSystem(name));
  return child;
}

std::string ElementText(IXMLDOMNode* parent, const std::wstring& name) {
  return ui::WideToSystem(NodeText(RequireChild(parent, name).Get()));
}

}  // namespace

std::int32_t DecimalOrDefault(const std::string& text, std::int32_t fallback) {
  std::string_view digits(text);
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return fallback;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return fallback;
    value = value * 10 + (c - '0');
    if (value > limit) return fallback;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

void TExeConfigInfo::LoadFromStream(TStream& stream) {
  const ComPtr<IXMLDOMDocument> document = LoadXmlDocument(ReadAll(stream));
  const ComPtr<IXMLDOMNode> root = RequireChild(document.Get(), L"ExeConfig");
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
