// The system's MSXML parser through COM: load bytes, find child elements by name, read text.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/com_ptr.h"

namespace leafmark {

// A parsed document. The parser detects the encoding from the bytes (byte order mark or
// declaration). Needs COM on the calling thread; raises on any failure.
com::TComPtr<IXMLDOMDocument> LoadXmlDocument(const std::vector<std::uint8_t>& bytes);

// The first child element of parent whose name is exactly name; null when there is none.
com::TComPtr<IXMLDOMNode> FindChildNode(IXMLDOMNode* parent, const std::wstring& name);

// The node's text content.
std::wstring NodeText(IXMLDOMNode* node);

}  // namespace leafmark
