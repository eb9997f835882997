// Msxml2.DOMDocument.6.0 when the system has it, else 3.0. External resources are never
// fetched: the settings come from the book alone.
#include "app/xml_dom.h"

#include <oleauto.h>
#include <shlwapi.h>

#include <climits>
#include <stdexcept>

#include "win/bstr_text.h"
#include "win/system_text.h"
#include "win/unique_any.h"

namespace leafmark {

namespace {

void Check(HRESULT result, const char* what) {
  if (FAILED(result)) {
    char code[16];
    wsprintfA(code, "%08lX", static_cast<unsigned long>(result));
    throw std::runtime_error(std::string(what) + " failed: HRESULT 0x" + code);
  }
}

com::TComPtr<IXMLDOMDocument> CreateDocument() {
  for (const wchar_t* progId : {L"Msxml2.DOMDocument.6.0", L"Msxml2.DOMDocument.3.0"}) {
    CLSID classId{};
    if (FAILED(::CLSIDFromProgID(progId, &classId))) continue;
    com::TComPtr<IXMLDOMDocument> document;
    if (SUCCEEDED(::CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                     document.PutVoid()))) {
      return document;
    }
  }
  throw std::runtime_error("No XML parser (MSXML 6.0 or 3.0) is available");
}

std::string ParseErrorReason(IXMLDOMDocument* document) {
  com::TComPtr<IXMLDOMParseError> error;
  win::TUniqueBstr reason;
  if (SUCCEEDED(document->get_parseError(error.Put())) && error &&
      SUCCEEDED(error->get_reason(reason.Put()))) {
    return win::WideToSystem(win::BstrText(reason.Get()));
  }
  return "unknown reason";
}

}  // namespace

com::TComPtr<IXMLDOMDocument> LoadXmlDocument(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > UINT_MAX) throw std::runtime_error("XML document too large");
  com::TComPtr<IXMLDOMDocument> document = CreateDocument();
  Check(document->put_async(VARIANT_FALSE), "IXMLDOMDocument.async");
  Check(document->put_validateOnParse(VARIANT_FALSE), "IXMLDOMDocument.validateOnParse");
  Check(document->put_resolveExternals(VARIANT_FALSE), "IXMLDOMDocument.resolveExternals");

  const auto stream =
      com::TComPtr<IStream>::Attach(::SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
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

com::TComPtr<IXMLDOMNode> FindChildNode(IXMLDOMNode* parent, const std::wstring& name) {
  com::TComPtr<IXMLDOMNodeList> children;
  Check(parent->get_childNodes(children.Put()), "IXMLDOMNode.childNodes");
  long count = 0;
  Check(children->get_length(&count), "IXMLDOMNodeList.length");
  for (long k = 0; k < count; ++k) {
    com::TComPtr<IXMLDOMNode> child;
    Check(children->get_item(k, child.Put()), "IXMLDOMNodeList.item");
    // Only elements: a document type or a processing instruction can bear the name too.
    DOMNodeType type = NODE_INVALID;
    if (!child || FAILED(child->get_nodeType(&type)) || type != NODE_ELEMENT) continue;
    win::TUniqueBstr childName;
    if (SUCCEEDED(child->get_nodeName(childName.Put())) && win::BstrText(childName.Get()) == name) return child;
  }
  return nullptr;
}

std::wstring NodeText(IXMLDOMNode* node) {
  win::TUniqueBstr text;
  Check(node->get_text(text.Put()), "IXMLDOMNode.text");
  return win::BstrText(text.Get());
}

}  // namespace leafmark
