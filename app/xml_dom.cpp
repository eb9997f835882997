// Msxml2.DOMDocument.6.0 when the system has it, else 3.0. External resources are never
// fetched: the settings come from the book alone.
#include "app/xml_dom.h"

#include <oleauto.h>
#include <shlwapi.h>

#include <climits>
#include <stdexcept>

#include "ui/system_text.h"

namespace leafmark {

namespace {

class TBstr {
 public:
  TBstr() = default;
  explicit TBstr(const std::wstring& text) : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~TBstr() { ::SysFreeString(value_); }
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;

  BSTR Get() const { return value_; }
  BSTR* Out() {
    ::SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  std::wstring Text() const { return value_ ? std::wstring(value_, ::SysStringLen(value_)) : std::wstring(); }

 private:
  BSTR value_ = nullptr;
};

void Check(HRESULT result, const char* what) {
  if (FAILED(result)) {
    char code[16];
    wsprintfA(code, "%08lX", static_cast<unsigned long>(result));
    throw std::runtime_error(std::string(what) + " failed: HRESULT 0x" + code);
  }
}

ComPtr<IXMLDOMDocument> CreateDocument() {
  for (const wchar_t* progId : {L"Msxml2.DOMDocument.6.0", L"Msxml2.DOMDocument.3.0"}) {
    CLSID classId{};
    if (FAILED(::CLSIDFromProgID(progId, &classId))) continue;
    ComPtr<IXMLDOMDocument> document;
    if (SUCCEEDED(::CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                     reinterpret_cast<void**>(document.GetAddressOf())))) {
      return document;
    }
  }
  throw std::runtime_error("No XML parser (MSXML 6.0 or 3.0) is available");
}

std::string ParseErrorReason(IXMLDOMDocument* document) {
  ComPtr<IXMLDOMParseError> error;
  TBstr reason;
  if (SUCCEEDED(document->get_parseError(error.GetAddressOf())) && error &&
      SUCCEEDED(error->get_reason(reason.Out()))) {
    return ui::WideToSystem(reason.Text());
  }
  return "unknown reason";
}

}  // namespace

ComPtr<IXMLDOMDocument> LoadXmlDocument(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > UINT_MAX) throw std::runtime_error("XML document too large");
  ComPtr<IXMLDOMDocument> document = CreateDocument();
  Check(document->put_async(VARIANT_FALSE), "IXMLDOMDocument.async");
  Check(document->put_validateOnParse(VARIANT_FALSE), "IXMLDOMDocument.validateOnParse");
  Check(document->put_resolveExternals(VARIANT_FALSE), "IXMLDOMDocument.resolveExternals");

  ComPtr<IStream> stream;
  stream.Attach(::SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
  if (!stream) throw std::runtime_error("Cannot make a stream of the XML bytes");
  VARIANT source;
  ::VariantInit(&source);
  V_VT(&source) = VT_UNKNOWN;
  V_UNKNOWN(&source) = stream.Get();  // borrowed: stream keeps its reference

  VARIANT_BOOL loaded = VARIANT_FALSE;
  Check(document->load(source, &loaded), "IXMLDOMDocument.load");
  if (loaded != VARIANT_TRUE) throw std::runtime_error("XML does not parse: " + ParseErrorReason(document.Get()));
  return document;
}

ComPtr<IXMLDOMNode> FindChildNode(IXMLDOMNode* parent, const std::wstring& name) {
  ComPtr<IXMLDOMNodeList> children;
  Check(parent->get_childNodes(children.GetAddressOf()), "IXMLDOMNode.childNodes");
  long count = 0;
  Check(children->get_length(&count), "IXMLDOMNodeList.length");
  for (long k = 0; k < count; ++k) {
    ComPtr<IXMLDOMNode> child;
    Check(children->get_item(k, child.GetAddressOf()), "IXMLDOMNodeList.item");
    // Only elements: a document type or a processing instruction can bear the name too.
    DOMNodeType type = NODE_INVALID;
    if (!child || FAILED(child->get_nodeType(&type)) || type != NODE_ELEMENT) continue;
    TBstr childName;
    if (SUCCEEDED(child->get_nodeName(childName.Out())) && childName.Text() == name) return child;
  }
  return nullptr;
}

std::wstring NodeText(IXMLDOMNode* node) {
  TBstr text;
  Check(node->get_text(text.Out()), "IXMLDOMNode.text");
  return text.Text();
}

}  // namespace leafmark
