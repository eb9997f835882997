// The system's MSXML parser through COM: load bytes, find child elements by name, read text.
#pragma once

#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <vector>

namespace leafmark {

using Microsoft::WRL::ComPtr;

// A parsed document. The parser detects the encoding from the bytes (byte order mark or
// declaration). Needs COM on the calling thread; raises on any failure.
ComPtr<IXMLDOMDocument> LoadXmlDocument(const std::vector<std::uint8_t>& bytes);

// The first child element of parent whose name is exactly name; null when there is none.
ComPtr<IXMLDOMNode> FindChildNode(IXMLDOMNode* parent, const std::wstring& name);

// The node's text content.
std::wstring NodeText(IXMLDOMNode* node);

}  // namespace leafmark
