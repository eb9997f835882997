// Parsing a settings document into elements, with a bound on every read.
#include "tools/xml_elements.h"


namespace leafmark::pack {

namespace {

constexpr std::size_t kMaxDepth = 64;

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

class TXmlParser {
 public:
  explicit TXmlParser(std::string_view text) : text_(text) {}

  TXmlElement Document() {
    SkipMisc(true);
    if (!Starts("<") || Starts("</")) Fail("no document element");
    TXmlElement root = Element(1);
    SkipMisc(false);
    if (at_ != text_.size()) Fail("content after the document element");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw EXmlError("XML does not parse at character " + std::to_string(at_) + ": " + what);
  }
  bool Starts(std::string_view prefix) const { return text_.substr(at_, prefix.size()) == prefix; }
  void Expect(std::string_view prefix) {
    if (!Starts(prefix)) Fail("expected \"" + std::string(prefix) + "\"");
    at_ += prefix.size();
  }
  void SkipSpace() {
    while (at_ < text_.size() && IsXmlSpace(text_[at_])) ++at_;
  }
  // Moves past the next terminator; fails when the text ends first.
  std::string_view Until(std::string_view terminator, const char* what) {
    const std::size_t end = text_.find(terminator, at_);
    if (end == std::string_view::npos) Fail(std::string("unclosed ") + what);
    const std::string_view inside = text_.substr(at_, end - at_);
    at_ = end + terminator.size();
    return inside;
  }

  // Blanks, comments and processing instructions around the document element; before it
  // also the declaration and a document type.
  void SkipMisc(bool prolog) {
    for (;;) {
      SkipSpace();
      if (Starts("<!--")) {
        at_ += 4;
        Until("-->", "comment");
      } else if (Starts("<?")) {
        at_ += 2;
        Until("?>", "processing instruction");
      } else if (prolog && Starts("<!DOCTYPE")) {
        DocumentType();
      } else {
        return;
      }
    }
  }

  // Passed over: a bracketed internal subset may hold ">" inside it.
  void DocumentType() {
    at_ += 9;
    int brackets = 0;
    char quote = 0;
    for (; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '[') {
        ++brackets;
      } else if (c == ']') {
        --brackets;
      } else if (c == '>' && brackets <= 0) {
        ++at_;
        return;
      }
    }
    Fail("unclosed document type");
  }

  std::string_view Name() {
    const std::size_t start = at_;
    while (at_ < text_.size() && !IsXmlSpace(text_[at_]) && text_[at_] != '/' && text_[at_] != '>' &&
           text_[at_] != '=' && text_[at_] != '<') {
      ++at_;
    }
    if (at_ == start) Fail("expected a name");
    return text_.substr(start, at_ - start);
  }

  void Attributes() {
    for (;;) {
      const std::size_t before = at_;
      SkipSpace();
      if (Starts(">") || Starts("/>")) return;
      if (at_ == before) Fail("attributes must be separated by blanks");
      Name();
      SkipSpace();
      Expect("=");
      SkipSpace();
      if (!Starts("\"") && !Starts("'")) Fail("an attribute value must be quoted");
      const char quote[2] = {text_[at_++], 0};
      if (Until(quote, "attribute value").find('<') != std::string_view::npos) Fail("\"<\" in an attribute value");
    }
  }

  // "&...;" at the current position, appended to out as its character.
  void Reference(std::string& out) {
    ++at_;
    const std::string_view name = Until(";", "reference");
    if (name == "lt") return out.push_back('<');
    if (name == "gt") return out.push_back('>');
    if (name == "amp") return out.push_back('&');
    if (name == "apos") return out.push_back('\'');
    if (name == "quot") return out.push_back('"');
    if (name.size() >= 2 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      char32_t value = 0;
      for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) Fail("a character reference that is not a number");
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
        if (value > 0x10FFFF) Fail("a character reference past U+10FFFF");
      }
      const bool allowed = value == 0x9 || value == 0xA || value == 0xD || (value >= 0x20 && value <= 0xD7FF) ||
                           (value >= 0xE000 && value <= 0xFFFD) || value >= 0x10000;
      if (digits.empty() || !allowed) Fail("a reference to a character XML does not allow");
      return AppendUtf8(out, value);
    }
    Fail("an unknown entity \"&" + std::string(name) + ";\"");
  }

  TXmlElement Element(std::size_t depth) {
    if (depth > kMaxDepth) Fail("elements nested too deeply");
    Expect("<");
    TXmlElement element;
    element.Name = Name();
    Attributes();
    if (Starts("/>")) {
      at_ += 2;
      return element;
    }
    Expect(">");
    for (;;) {
      if (at_ >= text_.size()) Fail("element \"" + element.Name + "\" is not closed");
      if (Starts("</")) {
        at_ += 2;
        if (Name() != element.Name) Fail("element \"" + element.Name + "\" is closed by another name");
        SkipSpace();
        Expect(">");
        return element;
      }
      if (Starts("<![CDATA[")) {
        at_ += 9;
        element.Text += Until("]]>", "CDATA section");
      } else if (Starts("<!--")) {
        at_ += 4;
        Until("-->", "comment");
      } else if (Starts("<?")) {
        at_ += 2;
        Until("?>", "processing instruction");
      } else if (Starts("<")) {
        element.Children.push_back(Element(depth + 1));
        element.Text += element.Children.back().Text;
      } else if (Starts("&")) {
        Reference(element.Text);
      } else {
        element.Text += text_[at_++];
      }
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

const TXmlElement* TXmlElement::Child(std::string_view name) const {
  for (const TXmlElement& child : Children) {
    if (child.Name == name) return &child;
  }
  return nullptr;
}

TXmlElement ParseXmlDocument(std::string_view text) { return TXmlParser(text).Document(); }

}  // namespace leafmark::pack
